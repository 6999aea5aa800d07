#include "web/RegexHelper.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/Gbk.h"

namespace kestrova {

// The subject as it was matched, and each match as the byte spans of its groups
// in it ([0] the whole match, [n] group n). A page full of matches can hold
// millions of them, so they are kept as spans and become texts when read.
struct RegexHelper::Matches {
    static constexpr std::uint32_t kUnset = 0xFFFFFFFF;
    Text gbkSubject;                   // as given, to reuse the conversion for the same page
    std::string subject;               // UTF-8, lossless form
    std::uint32_t groups = 1;          // spans per match
    std::vector<std::uint32_t> spans;  // from, to for each group of each match

    std::size_t Count() const { return spans.size() / (2 * groups); }
};

namespace {

// Texts are matched as UTF-8 (the lossless form, so that bytes outside GBK
// survive). The options give the script dialect the patterns are written in:
// \uXXXX and \xXX escapes, an empty class [] that never matches, a back
// reference to an unset group matching the empty text, and $ only at the very
// end outside multi-line mode. Without Unicode properties, \d, \s and \w stay
// ASCII. Line breaks are CR, LF and CRLF alike (the compile context says so):
// pages arrive with CRLF, and in that dialect "." matches no line break of any
// kind, and multi-line ^ and $ stop at each of them.
constexpr std::uint32_t kBaseOptions = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                                       PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY |
                                       PCRE2_NEVER_BACKSLASH_C;

constexpr std::size_t kCacheCapacity = 64;

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using CodePtr = std::shared_ptr<pcre2_code>;

// Patterns are few and repeat on every query, so compiled (and JIT-compiled)
// patterns are kept, keyed by pattern and options. An invalid pattern is kept
// as a null entry. Compiled code is safe to match from any thread.
class PatternCache {
  public:
    CodePtr Get(const std::string& pattern, std::uint32_t options) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto key = std::make_pair(pattern, options);
        if (const auto found = entries_.find(key); found != entries_.end()) {
            return found->second;
        }
        if (entries_.size() >= kCacheCapacity) {
            entries_.clear();
        }
        CodePtr code = Compile(pattern, options);
        entries_.emplace(key, code);
        return code;
    }

  private:
    static CodePtr Compile(const std::string& pattern, std::uint32_t options) {
        pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
        if (!context) {
            return nullptr;
        }
        pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()),
                                         pattern.size(), options, &error, &offset, context);
        pcre2_compile_context_free(context);
        if (!code) {
            return nullptr;
        }
        // Without JIT support the interpreter runs the same pattern.
        (void)pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        return CodePtr(code, CodeDeleter{});
    }

    std::mutex mutex_;
    std::map<std::pair<std::string, std::uint32_t>, CodePtr> entries_;
};

PatternCache& Cache() {
    static PatternCache cache;
    return cache;
}

// A JIT stack per thread, larger than the default so that long pages with
// lazy [\s\S]*? runs do not run out of it.
class MatchContext {
  public:
    MatchContext()
        : context_(pcre2_match_context_create(nullptr)),
          stack_(pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr)) {
        if (context_ && stack_) {
            pcre2_jit_stack_assign(context_, nullptr, stack_);
        }
    }
    ~MatchContext() {
        pcre2_jit_stack_free(stack_);
        pcre2_match_context_free(context_);
    }
    MatchContext(const MatchContext&) = delete;
    MatchContext& operator=(const MatchContext&) = delete;
    pcre2_match_context* Get() const { return context_; }

  private:
    pcre2_match_context* context_;
    pcre2_jit_stack* stack_;
};

pcre2_match_context* ThreadMatchContext() {
    thread_local MatchContext context;
    return context.Get();
}

struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

int Match(pcre2_code* code, const std::string& subject, PCRE2_SIZE start, std::uint32_t options,
          pcre2_match_data* data) {
    const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.data());
    int rc = pcre2_match(code, text, subject.size(), start, options, data, ThreadMatchContext());
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
        rc = pcre2_match(code, text, subject.size(), start, options | PCRE2_NO_JIT, data,
                         ThreadMatchContext());
    }
    return rc;
}

// The next search after an empty match starts one character further on, as a
// script engine's global search does. A CRLF is one line break: a search
// started between its CR and LF would find ^ and $ inside it, so the step goes
// over both, as PCRE2's own advance does within one search, unless the pattern
// names CR or LF itself.
PCRE2_SIZE NextCharacter(const std::string& subject, PCRE2_SIZE at, bool crlfIsOneStep) {
    if (crlfIsOneStep && at + 1 < subject.size() && subject[at] == '\r' &&
        subject[at + 1] == '\n') {
        return at + 2;
    }
    PCRE2_SIZE next = at + 1;
    while (next < subject.size() && (static_cast<unsigned char>(subject[next]) & 0xC0) == 0x80) {
        ++next;
    }
    return next;
}

}  // namespace

RegexHelper::RegexHelper() : last_(std::make_unique<Matches>()) {}
RegexHelper::~RegexHelper() = default;

bool RegexHelper::RegexPrepare(const Text& pattern, const Text& subject, bool ignoreCase,
                               bool multiline, bool global) {
    // The page steps run several patterns over one page in a row: its UTF-8
    // form is made once.
    Matches found;
    if (last_->gbkSubject == subject && !last_->subject.empty()) {
        found.gbkSubject = std::move(last_->gbkSubject);
        found.subject = std::move(last_->subject);
    } else {
        found.gbkSubject = subject;
        found.subject = GbkToUtf8Lossless(subject);
    }
    last_ = std::make_unique<Matches>();
    const std::uint32_t options =
        kBaseOptions | (ignoreCase ? PCRE2_CASELESS : 0) | (multiline ? PCRE2_MULTILINE : 0);
    const CodePtr code = Cache().Get(GbkToUtf8Lossless(pattern), options);
    if (!code) {
        return false;
    }
    const std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!data) {
        return false;
    }
    const std::string& text = found.subject;
    if (text.size() >= Matches::kUnset) {
        return false;  // beyond what the spans can hold; no page comes near it
    }
    std::uint32_t namesCrOrLf = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_HASCRORLF, &namesCrOrLf);
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    const std::uint32_t pairs = pcre2_get_ovector_count(data.get());
    found.groups = pairs;

    std::uint32_t matchOptions = 0;  // the subject is checked once, on the first call
    PCRE2_SIZE start = 0;
    while (start <= text.size()) {
        const int rc = Match(code.get(), text, start, matchOptions, data.get());
        matchOptions |= PCRE2_NO_UTF_CHECK;
        if (rc == PCRE2_ERROR_NOMATCH) {
            break;
        }
        if (rc < 0) {
            return false;  // the execution failed: no match collection at all
        }
        for (std::uint32_t n = 0; n < pairs; ++n) {
            const PCRE2_SIZE from = ovector[2 * n];
            const PCRE2_SIZE to = ovector[2 * n + 1];
            const bool set = from != PCRE2_UNSET && to >= from;
            found.spans.push_back(set ? static_cast<std::uint32_t>(from) : Matches::kUnset);
            found.spans.push_back(set ? static_cast<std::uint32_t>(to) : Matches::kUnset);
        }
        if (!global) {
            break;
        }
        const PCRE2_SIZE end = ovector[1];
        if (end > ovector[0] && end > start) {
            start = end;
        } else if (end >= text.size()) {
            break;
        } else {
            start = NextCharacter(text, std::max(end, start), namesCrOrLf == 0);
        }
    }
    *last_ = std::move(found);
    return true;
}

namespace {

// Group n (0 the whole match) of match k, both counted as the caller gives them.
template <typename Found>
Text GroupText(const Found& found, int k, int n) {
    if (k < 1 || n < 0 || static_cast<std::size_t>(k) > found.Count() ||
        static_cast<std::uint32_t>(n) >= found.groups) {
        return {};
    }
    const std::size_t at = 2 * ((static_cast<std::size_t>(k) - 1) * found.groups + n);
    const std::uint32_t from = found.spans[at];
    const std::uint32_t to = found.spans[at + 1];
    if (from == Found::kUnset) {
        return {};
    }
    return Utf8LosslessToGbk(std::string_view(found.subject).substr(from, to - from));
}

}  // namespace

Text RegexHelper::RegexMatchValue(int k) const {
    return GroupText(*last_, k, 0);
}

Text RegexHelper::RegexSubMatch(int k, int n) const {
    return n < 1 ? Text() : GroupText(*last_, k, n);
}

int RegexHelper::RegexMatchCount() const {
    return static_cast<int>(last_->Count());
}

}  // namespace kestrova
