#pragma once
// Where a history is kept: an SQLite file on this machine, or a PostgreSQL
// database a team shares (a libpq connection URI, postgresql:// or
// postgres://). The URI may carry a password; it is used to connect and never
// shown: every message names the place by Shown().

#include <filesystem>
#include <string>

namespace kestrova {

class HistoryPlace {
  public:
    // A file. Implicit: a path is the common case.
    HistoryPlace(std::filesystem::path file);  // NOLINT(google-explicit-constructor)
    // What a user gave (--history, KESTROVA_HISTORY): a server for a
    // postgresql:// or postgres:// URI, else a file.
    static HistoryPlace Named(const std::string& given);

    bool IsServer() const { return server_; }
    // The file (files only).
    const std::filesystem::path& File() const { return file_; }
    // The URI as given, password and all (servers only): for libpq alone.
    const std::string& Uri() const { return uri_; }
    // The file's name, or the URI with any password masked.
    std::string Shown() const;
    // The same, so that a place reads in a message as a file's path does.
    std::string string() const { return Shown(); }

  private:
    HistoryPlace() = default;
    std::filesystem::path file_;
    std::string uri_;
    bool server_ = false;
};

// True for a postgresql:// or postgres:// URI (the scheme in any case).
bool IsServerUri(const std::string& text);

// The URI with the password of its user part and any password=... parameter
// replaced by "***"; other text unchanged.
std::string MaskedUri(const std::string& uri);

// Every copy of `secret` in `text` replaced by "***": a message a library
// made may quote what it was given.
std::string WithoutSecret(std::string text, const std::string& secret);

}  // namespace kestrova
