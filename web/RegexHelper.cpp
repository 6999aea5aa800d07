#include "web/RegexHelper.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/Gbk.h"

namespace kestrova {

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

// Spans are byte offsets in 32 bits; a group that took no part is this.
constexpr std::uint32_t kUnset = 0xFFFFFFFF;

// Matches whose spans are kept; the query reads at most the twelfth.
constexpr std::size_t kKeptMatches = 64;

// Subjects up to this size are recognised by a copy of their bytes, and kept
// for the next pattern; larger ones by a walk over their UTF-8 form.
constexpr std::size_t kCopiedSubjectBytes = 1 << 20;

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

// One step of a global search, as a script engine makes it: a match, then the
// next search starts behind it (one character on after an empty match).
class Search {
  public:
    Search(const CodePtr& code, const std::string& subject, bool global)
        : code_(code),
          subject_(subject),
          global_(global),
          data_(pcre2_match_data_create_from_pattern(code.get(), nullptr)) {
        std::uint32_t namesCrOrLf = 0;
        pcre2_pattern_info(code.get(), PCRE2_INFO_HASCRORLF, &namesCrOrLf);
        crlfIsOneStep_ = namesCrOrLf == 0;
    }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    struct Resume {
        PCRE2_SIZE start = 0;
        std::uint32_t options = 0;
        bool done = false;
    };

    bool Ready() const { return data_ != nullptr; }
    std::uint32_t Pairs() const { return pcre2_get_ovector_count(data_.get()); }

    // 1 when it found the next match (its spans then in Span), 0 at the end,
    // -1 when the execution failed.
    int Next(Resume& at) {
        if (at.done || at.start > subject_.size()) {
            return 0;
        }
        const int rc = Match(code_.get(), subject_, at.start, at.options, data_.get());
        at.options |= PCRE2_NO_UTF_CHECK;  // the subject is checked once, on the first call
        if (rc == PCRE2_ERROR_NOMATCH) {
            at.done = true;
            return 0;
        }
        if (rc < 0) {
            return -1;
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_.get());
        const PCRE2_SIZE end = ovector[1];
        if (!global_) {
            at.done = true;
        } else if (end > ovector[0] && end > at.start) {
            at.start = end;
        } else if (end >= subject_.size()) {
            at.done = true;
        } else {
            at.start = NextCharacter(subject_, std::max(end, at.start), crlfIsOneStep_);
        }
        return 1;
    }

    // Group n of the match just found, as from and to; unset as kUnset.
    void AppendSpans(std::vector<std::uint32_t>& spans) const {
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_.get());
        for (std::uint32_t n = 0; n < Pairs(); ++n) {
            const PCRE2_SIZE from = ovector[2 * n];
            const PCRE2_SIZE to = ovector[2 * n + 1];
            const bool set = from != PCRE2_UNSET && to >= from;
            spans.push_back(set ? static_cast<std::uint32_t>(from) : kUnset);
            spans.push_back(set ? static_cast<std::uint32_t>(to) : kUnset);
        }
    }

  private:
    CodePtr code_;
    const std::string& subject_;
    bool global_;
    bool crlfIsOneStep_ = true;
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data_;
};

// A subject as the patterns see it: its UTF-8 form, and what tells whether
// another subject is the same page.
struct Subject {
    std::string utf8;
    std::size_t gbkSize = 0;
    Text gbk;  // a copy, for pages small enough to keep twice

    bool Is(TextView other) const {
        if (other.size() != gbkSize) {
            return false;
        }
        return gbkSize <= kCopiedSubjectBytes ? TextView(gbk) == other
                                              : IsLosslessUtf8Of(utf8, other);
    }
};
using SubjectPtr = std::shared_ptr<const Subject>;

SubjectPtr MakeSubject(TextView gbk) {
    auto subject = std::make_shared<Subject>();
    subject->utf8 = GbkToUtf8Lossless(gbk);
    subject->gbkSize = gbk.size();
    if (gbk.size() <= kCopiedSubjectBytes) {
        subject->gbk = Text(gbk);
    }
    return subject;
}

// The pages matched lately on this thread. The steps run several patterns
// over one page in a row, and a lookup's request plan reads the same pages
// with a helper of its own, in the fast mode well ahead of the steps: each
// page is converted once. Pages of ordinary size are kept for the next
// pattern; a large one only as long as some helper's last result holds it.
class RecentSubjects {
  public:
    SubjectPtr Find(TextView gbk) const {
        for (const Entry& entry : entries_) {
            SubjectPtr subject = entry.kept ? entry.kept : entry.seen.lock();
            if (subject && subject->Is(gbk)) {
                return subject;
            }
        }
        return nullptr;
    }
    void Add(const SubjectPtr& subject) {
        Entry& entry = entries_[next_];
        next_ = (next_ + 1) % entries_.size();
        entry.kept = subject->gbkSize <= kCopiedSubjectBytes ? subject : nullptr;
        entry.seen = subject;
    }

  private:
    struct Entry {
        SubjectPtr kept;
        std::weak_ptr<const Subject> seen;
    };
    std::array<Entry, 8> entries_;
    std::size_t next_ = 0;
};

thread_local std::uint64_t subjectsConverted = 0;

RecentSubjects& ThreadRecentSubjects() {
    thread_local RecentSubjects recent;
    return recent;
}

}  // namespace

// The last execution: the subject as it was matched, how many matches it gave,
// and the byte spans of the groups of the first few ([0] the whole match, [n]
// group n). A page full of matches can hold millions of them; the callers
// read the first few, so only those are kept, and a later one is found again
// by going on with the search from the last one read.
struct RegexHelper::Matches {
    SubjectPtr subject;
    CodePtr code;
    bool global = true;
    std::uint32_t groups = 1;  // spans per match
    std::size_t count = 0;
    std::vector<std::uint32_t> spans;  // from, to for each group of the kept matches
    Search::Resume afterKept;          // where the search goes on behind them

    // The match read last beyond the kept ones, and where the search goes on.
    struct Later {
        std::size_t index = 0;
        std::vector<std::uint32_t> spans;
        Search::Resume next;
    };
    std::optional<Later> later;

    std::size_t Kept() const { return spans.size() / (2 * groups); }
    // The spans of match k (0-based, below count).
    const std::uint32_t* SpansOf(std::size_t k);
};

const std::uint32_t* RegexHelper::Matches::SpansOf(std::size_t k) {
    if (k < Kept()) {
        return &spans[2 * groups * k];
    }
    if (!later || later->index > k) {
        later = Later{Kept() - 1, {}, afterKept};
    }
    Search search(code, subject->utf8, global);
    while (later->index < k) {
        if (!search.Ready() || search.Next(later->next) != 1) {
            later.reset();
            return nullptr;  // cannot happen: the same search found it before
        }
        later->spans.clear();
        search.AppendSpans(later->spans);
        ++later->index;
    }
    return later->spans.data();
}

RegexHelper::RegexHelper() : last_(std::make_unique<Matches>()) {}
RegexHelper::~RegexHelper() = default;

bool RegexHelper::RegexPrepare(const Text& pattern, TextView subject, bool ignoreCase,
                               bool multiline, bool global) {
    // The page steps run several patterns over one page in a row: its UTF-8
    // form is made once.
    SubjectPtr matched = std::move(last_->subject);
    if (!matched || !matched->Is(subject)) {
        matched.reset();  // the page before goes before the next is converted
        matched = ThreadRecentSubjects().Find(subject);
        if (!matched) {
            matched = MakeSubject(subject);
            ++subjectsConverted;
            ThreadRecentSubjects().Add(matched);
        }
    }
    last_ = std::make_unique<Matches>();
    const std::uint32_t options =
        kBaseOptions | (ignoreCase ? PCRE2_CASELESS : 0) | (multiline ? PCRE2_MULTILINE : 0);
    const CodePtr code = Cache().Get(GbkToUtf8Lossless(pattern), options);
    if (!code || matched->utf8.size() >= kUnset) {
        return false;  // an invalid pattern; or beyond what the spans can hold
    }
    Search search(code, matched->utf8, global);
    if (!search.Ready()) {
        return false;
    }
    Matches found;
    found.subject = matched;
    found.code = code;
    found.global = global;
    found.groups = search.Pairs();
    Search::Resume at;
    for (;;) {
        const int rc = search.Next(at);
        if (rc < 0) {
            return false;  // the execution failed: no match collection at all
        }
        if (rc == 0) {
            break;
        }
        if (found.count < kKeptMatches) {
            search.AppendSpans(found.spans);
            found.afterKept = at;
        }
        ++found.count;
    }
    *last_ = std::move(found);
    return true;
}

namespace {

Text GroupText(const std::string& subject, const std::uint32_t* spans, std::uint32_t n) {
    const std::uint32_t from = spans[2 * n];
    const std::uint32_t to = spans[2 * n + 1];
    if (from == kUnset) {
        return {};
    }
    return Utf8LosslessToGbk(std::string_view(subject).substr(from, to - from));
}

}  // namespace

Text RegexHelper::Group(int k, int n) const {
    if (k < 1 || n < 0 || static_cast<std::size_t>(k) > last_->count ||
        static_cast<std::uint32_t>(n) >= last_->groups) {
        return {};
    }
    const std::uint32_t* spans = last_->SpansOf(static_cast<std::size_t>(k) - 1);
    return spans != nullptr ? GroupText(last_->subject->utf8, spans, static_cast<std::uint32_t>(n))
                            : Text();
}

Text RegexHelper::RegexMatchValue(int k) const {
    return Group(k, 0);
}

Text RegexHelper::RegexSubMatch(int k, int n) const {
    return n < 1 ? Text() : Group(k, n);
}

void RegexHelper::Release() {
    last_ = std::make_unique<Matches>();
}

std::uint64_t RegexHelper::SubjectsConverted() {
    return subjectsConverted;
}

int RegexHelper::RegexMatchCount() const {
    return static_cast<int>(last_->count);
}

}  // namespace kestrova
