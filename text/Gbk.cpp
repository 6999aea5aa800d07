#include "text/Gbk.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "text/GbkChar.h"

namespace kestrova {

namespace {

// GBK is a fixed, stateless double-byte code, so instead of running iconv over
// every page we ask iconv ("CP936") once for every possible character and keep
// the answers in two tables. The conversions are then plain lookups: the
// results are exactly those of iconv with one-byte error recovery, the tables
// are read-only once built (a function-local static, so safe from any thread),
// and a 100 KB page converts in well under a millisecond.
//
// glibc's CP936 (its GBK module) differs from the Windows code page in two
// places, and we keep glibc's answers: the user-defined areas (AAA1-AFFE,
// F8A1-FEFE, A140-A7A0), which Windows maps to U+E000-U+E765, are not
// characters here, so their bytes count as invalid; and 0xFF is invalid in
// both. Like Windows, glibc reads the single byte 0x80 as the euro sign
// U+20AC. Every character glibc decodes encodes back to the same bytes, and
// nothing decodes into U+F780-U+F7FF, which the lossless mapping relies on.
constexpr int kTrailFirst = 0x40;
constexpr int kTrailCount = 0x100 - kTrailFirst;
constexpr int kLeadCount = 0xFE - 0x81 + 1;
constexpr char16_t kNoChar = 0;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kPrivateBase = 0xF700;  // invalid byte b <-> U+F700 + b

struct GbkTables {
    // The character of each single byte 0x80-0xFF, kNoChar if none.
    std::array<char16_t, 0x80> single{};
    // The character of each lead (0x81-0xFE) and trail (0x40-0xFF) pair.
    std::vector<char16_t> pairs = std::vector<char16_t>(kLeadCount * kTrailCount, kNoChar);
    // For each BMP code point its GBK bytes: 0 none, below 0x100 one byte,
    // else lead * 256 + trail. ASCII is not stored.
    std::vector<std::uint16_t> encode = std::vector<std::uint16_t>(0x10000, 0);
};

char16_t DecodeWithIconv(iconv_t cd, const unsigned char* bytes, std::size_t length) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {static_cast<char>(bytes[0]), length > 1 ? static_cast<char>(bytes[1]) : '\0'};
    char16_t out[4] = {};
    char* inPtr = in;
    std::size_t inLeft = length;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0 || sizeof out - outLeft != sizeof(char16_t)) {
        return kNoChar;  // invalid, incomplete, or not a single BMP character
    }
    const char16_t unit = out[0];
    return unit >= 0xD800 && unit <= 0xDFFF ? kNoChar : unit;
}

// The characters of all pairs with one lead byte, in one pass of iconv over
// the 192 pairs (a call per pair would cost more than the pages it serves: the
// table is built at start-up). The pass resumes behind each pair iconv stops at. Where the pass
// does not come out as one character per pair, the whole row is converted pair by pair.
void DecodeRow(iconv_t cd, int lead, char16_t* row) {
    char in[kTrailCount * 2];
    for (int k = 0; k < kTrailCount; ++k) {
        in[2 * k] = static_cast<char>(lead);
        in[2 * k + 1] = static_cast<char>(kTrailFirst + k);
    }
    char16_t out[kTrailCount];
    int next = 0;  // the first pair not yet decoded
    bool aligned = true;
    while (next < kTrailCount && aligned) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* inPtr = in + 2 * next;
        std::size_t inLeft = static_cast<std::size_t>(kTrailCount - next) * 2;
        char* outPtr = reinterpret_cast<char*>(out + next);
        std::size_t outLeft = static_cast<std::size_t>(kTrailCount - next) * sizeof(char16_t);
        const bool stopped =
            iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
        const auto consumed = static_cast<std::size_t>(inPtr - (in + 2 * next));
        const auto produced =
            static_cast<std::size_t>(outPtr - reinterpret_cast<char*>(out + next));
        aligned = consumed % 2 == 0 && produced == consumed;
        const int done = next + static_cast<int>(consumed / 2);
        for (int k = next; aligned && k < done; ++k) {
            aligned = out[k] != kNoChar && !(out[k] >= 0xD800 && out[k] <= 0xDFFF);
            row[k] = out[k];
        }
        next = done;
        if (aligned && stopped && next < kTrailCount) {
            // Stateless: the pair iconv stopped at is invalid on its own too.
            const int error = errno;
            if (error == EILSEQ || error == EINVAL) {
                row[next] = kNoChar;
            } else {
                const unsigned char pair[2] = {static_cast<unsigned char>(lead),
                                               static_cast<unsigned char>(kTrailFirst + next)};
                row[next] = DecodeWithIconv(cd, pair, 2);
            }
            ++next;
        }
    }
    if (!aligned) {
        for (int k = 0; k < kTrailCount; ++k) {
            const unsigned char pair[2] = {static_cast<unsigned char>(lead),
                                           static_cast<unsigned char>(kTrailFirst + k)};
            row[k] = DecodeWithIconv(cd, pair, 2);
        }
    }
}

GbkTables BuildTables() {
    GbkTables tables;
    const iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return tables;  // without the converter only ASCII survives
    }
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const unsigned char in[1] = {static_cast<unsigned char>(byte)};
        tables.single[byte - 0x80] = DecodeWithIconv(cd, in, 1);
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        DecodeRow(cd, lead, &tables.pairs[static_cast<std::size_t>(lead - 0x81) * kTrailCount]);
    }
    iconv_close(cd);
    // The reverse table is the inverse of the forward one; glibc's CP936 is a
    // one-to-one mapping, so this equals what iconv encodes. The first byte
    // sequence wins should two ever decode to the same character.
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const char16_t unit = tables.single[byte - 0x80];
        if (unit != kNoChar && unit >= 0x80 && tables.encode[unit] == 0) {
            tables.encode[unit] = static_cast<std::uint16_t>(byte);
        }
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = kTrailFirst; trail <= 0xFF; ++trail) {
            const char16_t unit = tables.pairs[(lead - 0x81) * kTrailCount + (trail - kTrailFirst)];
            if (unit != kNoChar && unit >= 0x80 && tables.encode[unit] == 0) {
                tables.encode[unit] = static_cast<std::uint16_t>(lead * 256 + trail);
            }
        }
    }
    return tables;
}

const GbkTables& Tables() {
    static const GbkTables tables = BuildTables();
    return tables;
}

// Walks GBK bytes, calling onAscii(run) for each run of ASCII bytes (pages are
// mostly markup, which converts as a whole), onChar(code point) for each other
// character and onInvalid(byte) for each byte that does not belong to one.
template <typename OnAscii, typename OnChar, typename OnInvalid>
void DecodeGbk(TextView gbk, OnAscii onAscii, OnChar onChar, OnInvalid onInvalid) {
    const GbkTables& tables = Tables();
    std::size_t i = 0;
    while (i < gbk.size()) {
        const auto byte = static_cast<unsigned char>(gbk[i]);
        if (byte < 0x80) {
            std::size_t end = i + 1;
            while (end < gbk.size() && static_cast<unsigned char>(gbk[end]) < 0x80) {
                ++end;
            }
            onAscii(gbk.substr(i, end - i));
            i = end;
            continue;
        }
        if (IsGbkLead(byte) && i + 1 < gbk.size()) {
            const auto trail = static_cast<unsigned char>(gbk[i + 1]);
            if (trail >= kTrailFirst) {
                const char16_t unit =
                    tables.pairs[(byte - 0x81) * kTrailCount + (trail - kTrailFirst)];
                if (unit != kNoChar) {
                    onChar(unit);
                    i += 2;
                    continue;
                }
            }
        }
        const char16_t unit = tables.single[byte - 0x80];
        if (unit != kNoChar) {
            onChar(unit);
        } else {
            onInvalid(byte);  // the next byte starts afresh
        }
        ++i;
    }
}

// Appends the GBK bytes of one code point, or "?" when GBK lacks it. With
// lossless set, U+F780-U+F7FF give back the invalid byte they stand for.
void EncodeGbk(char32_t code, bool lossless, Text& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    if (lossless && code >= kPrivateBase + 0x80 && code <= kPrivateBase + 0xFF) {
        out += static_cast<char>(code - kPrivateBase);
        return;
    }
    const std::uint16_t bytes = code <= 0xFFFF ? Tables().encode[code] : 0;
    if (bytes == 0) {
        out += '?';
    } else if (bytes < 0x100) {
        out += static_cast<char>(bytes);
    } else {
        out += static_cast<char>(bytes >> 8);
        out += static_cast<char>(bytes & 0xFF);
    }
}

void AppendUtf8(char32_t code, std::string& out) {
    char bytes[4];
    std::size_t length = 0;
    if (code < 0x80) {
        bytes[length++] = static_cast<char>(code);
    } else if (code < 0x800) {
        bytes[length++] = static_cast<char>(0xC0 | (code >> 6));
        bytes[length++] = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes[length++] = static_cast<char>(0xE0 | (code >> 12));
        bytes[length++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        bytes[length++] = static_cast<char>(0xF0 | (code >> 18));
        bytes[length++] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | (code & 0x3F));
    }
    out.append(bytes, length);
}

// Strict UTF-8: overlong forms, surrogates and values above U+10FFFF are
// invalid. Each byte that does not start a valid sequence is reported alone.
template <typename OnChar, typename OnInvalid>
void DecodeUtf8(std::string_view utf8, OnChar onChar, OnInvalid onInvalid) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            onChar(byte);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (byte >= 0xC2 && byte <= 0xDF) {
            length = 2, code = byte & 0x1F, minimum = 0x80;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            length = 3, code = byte & 0x0F, minimum = 0x800;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            length = 4, code = byte & 0x07, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (valid) {
            onChar(code);
            i += length;
        } else {
            onInvalid(byte);
            ++i;
        }
    }
}

}  // namespace

std::string GbkToUtf8(TextView gbk) {
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    DecodeGbk(
        gbk, [&](TextView run) { out.append(run); }, [&](char32_t code) { AppendUtf8(code, out); },
        [&](unsigned char) { AppendUtf8(kReplacement, out); });
    return out;
}

Text Utf8ToGbk(std::string_view utf8) {
    Text out;
    out.reserve(utf8.size());
    DecodeUtf8(
        utf8, [&](char32_t code) { EncodeGbk(code, false, out); },
        [&](unsigned char) { out += '?'; });
    return out;
}

std::u16string GbkToUtf16(TextView gbk) {
    std::u16string out;
    out.reserve(gbk.size());
    DecodeGbk(
        gbk, [&](TextView run) { out.append(run.begin(), run.end()); },
        [&](char32_t code) { out += static_cast<char16_t>(code); },
        [&](unsigned char byte) { out += static_cast<char16_t>(kPrivateBase + byte); });
    return out;
}

Text Utf16ToGbk(std::u16string_view utf16) {
    Text out;
    out.reserve(utf16.size() * 2);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            ++i;  // a character beyond the BMP, which GBK lacks
            out += '?';
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += '?';  // a lone surrogate
        } else {
            EncodeGbk(unit, true, out);
        }
    }
    return out;
}

std::string GbkToUtf8Lossless(TextView gbk) {
    // A large page is measured first, so that its UTF-8 form takes no more
    // room than it needs (a page of 32 MiB would otherwise reserve 48).
    constexpr std::size_t kMeasuredFrom = 1 << 20;
    std::size_t size = gbk.size() + gbk.size() / 2;
    if (gbk.size() >= kMeasuredFrom) {
        size = 0;
        DecodeGbk(
            gbk, [&](TextView run) { size += run.size(); },
            [&](char32_t code) { size += code < 0x80    ? 1
                                         : code < 0x800 ? 2
                                                        : 3; },
            [&](unsigned char) { size += 3; });
    }
    std::string out;
    out.reserve(size);
    DecodeGbk(
        gbk, [&](TextView run) { out.append(run); }, [&](char32_t code) { AppendUtf8(code, out); },
        [&](unsigned char byte) { AppendUtf8(kPrivateBase + byte, out); });
    return out;
}

bool IsLosslessUtf8Of(std::string_view utf8, TextView gbk) {
    // Lossless UTF-8 is never shorter than its GBK, nor more than three times
    // as long (a single byte makes at most three, a pair at most three).
    if (utf8.size() < gbk.size() || utf8.size() > 3 * gbk.size()) {
        return utf8.empty() && gbk.empty();
    }
    std::size_t at = 0;
    bool same = true;
    std::string character;
    const auto compare = [&](std::string_view part) {
        same = same && part.size() <= utf8.size() - at && utf8.compare(at, part.size(), part) == 0;
        at += part.size();
    };
    DecodeGbk(
        gbk,
        [&](TextView run) {
            if (same) {
                compare(run);
            }
        },
        [&](char32_t code) {
            if (same) {
                character.clear();
                AppendUtf8(code, character);
                compare(character);
            }
        },
        [&](unsigned char byte) {
            if (same) {
                character.clear();
                AppendUtf8(kPrivateBase + byte, character);
                compare(character);
            }
        });
    return same && at == utf8.size();
}

Text Utf8LosslessToGbk(std::string_view utf8) {
    Text out;
    out.reserve(utf8.size());
    DecodeUtf8(
        utf8, [&](char32_t code) { EncodeGbk(code, true, out); },
        [&](unsigned char) { out += '?'; });
    return out;
}

}  // namespace kestrova
