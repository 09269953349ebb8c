// String's operations: construction and number conversions, comparison, concatenation, slicing,
// splitting, replacing and searching, the to-integer conversion, UTF-8 encoding and the text-file
// decoder behind String::Load. Relies on the C library (snprintf, strtol, fread) and on the
// collector for Split's array.
//
// Index
//   representations and construction
//   comparison and concatenation
//   slicing, splitting, replacing, searching
//   conversions
//   decoding text files
#include "runtime/text.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "runtime/array.h"

// ---------------------------------------------------------------------------------------------
// Representations and construction
// ---------------------------------------------------------------------------------------------

String::Rep String::nullRep = {1, 0};

namespace {

// Longest text "%.17lg" can produce for a double, with room for ".0" and the terminator.
constexpr int kNumberBufferSize = 64;
// The to-integer conversion reads at most this many characters.
constexpr int kIntegerTextLimit = 63;
// Load reads the file in blocks of this size and stops at the first short block.
constexpr std::size_t kLoadBlockBytes = 4096;

String::Rep* copy_rep(const char16_t* chars, int length) {
    if (length <= 0) {
        String::nullRep.retain();
        return &String::nullRep;
    }
    String::Rep* rep = String::Rep::alloc(length);
    std::memcpy(rep->data(), chars, static_cast<std::size_t>(length) * sizeof(char16_t));
    return rep;
}

bool is_white_space(char16_t c) {
    return c <= u' ';
}

char16_t ascii_lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}
char16_t ascii_upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c;
}

// A copy of `s` with `map` applied to every character, or nullptr when no character changes (the
// caller then returns `s` itself, as the sharing rules promise).
String::Rep* copy_mapped(const String& s, char16_t (*map)(char16_t)) {
    for (int i = 0; i < s.Length(); ++i) {
        if (map(s[i]) != s[i]) {
            String::Rep* rep = copy_rep(s.Data(), s.Length());
            for (int j = i; j < s.Length(); ++j)
                rep->data()[j] = map(rep->data()[j]);
            return rep;
        }
    }
    return nullptr;
}

}  // namespace

String::Rep* String::Rep::alloc(int length) {
    std::size_t bytes = sizeof(Rep) + static_cast<std::size_t>(length) * sizeof(char16_t);
    Rep* rep = static_cast<Rep*>(std::malloc(bytes));
    if (!rep) bbOutOfMemory();
    rep->refs = 1;
    rep->length = length;
    return rep;
}

String::String(const char16_t* chars, int length) : rep_(copy_rep(chars, length)) {}

String::String(const char16_t* text) {
    int length = 0;
    while (text[length])
        ++length;
    rep_ = copy_rep(text, length);
}

namespace {

// Sign extension is how narrow text has always been widened: bytes above 0x7F become
// 0xFF80-0xFFFF. Only ASCII texts are meant to come this way.
String::Rep* widen_rep(const char* text, int length) {
    if (length <= 0) {
        String::nullRep.retain();
        return &String::nullRep;
    }
    String::Rep* rep = String::Rep::alloc(length);
    char16_t* out = rep->data();
    for (int i = 0; i < length; ++i) {
        out[i] = static_cast<char16_t>(static_cast<short>(static_cast<signed char>(text[i])));
    }
    return rep;
}

String::Rep* int_rep(int value) {
    char buffer[kNumberBufferSize];
    int n = std::snprintf(buffer, sizeof buffer, "%i", value);
    return widen_rep(buffer, n);
}

String::Rep* float_rep(float value) {
    char buffer[kNumberBufferSize];
    int n = std::snprintf(buffer, sizeof buffer - 2, "%.17lg", static_cast<double>(value));
    if (!std::strchr(buffer, '.') && !std::strchr(buffer, 'e')) {
        buffer[n++] = '.';
        buffer[n++] = '0';
        buffer[n] = 0;
    }
    return widen_rep(buffer, n);
}

}  // namespace

String::String(const char* text) : rep_(widen_rep(text, static_cast<int>(std::strlen(text)))) {}

String::String(const char* text, int length) : rep_(widen_rep(text, length)) {}

String::String(int value) : rep_(int_rep(value)) {}

String::String(float value) : rep_(float_rep(value)) {}

void t_create(int n, String* slots) {
    for (int i = 0; i < n; ++i)
        new (slots + i) String();
}

void t_create(int n, String* slots, const String* source) {
    for (int i = 0; i < n; ++i)
        new (slots + i) String(source[i]);
}

void t_destroy(int n, String* slots) {
    for (int i = 0; i < n; ++i)
        slots[i].~String();
}

template <class C>
String::CString<C>::CString(const String& s) {
    int n = s.Length();
    std::size_t bytes = sizeof(Buf) + (static_cast<std::size_t>(n) + 1) * sizeof(C);
    buf_ = static_cast<Buf*>(std::malloc(bytes));
    if (!buf_) bbOutOfMemory();
    buf_->refs = 1;
    buf_->count = n;
    C* out = buf_->chars();
    const char16_t* in = s.Data();
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<C>(in[i]);  // char keeps the low 8 bits
    out[n] = 0;
}

template <class C>
void String::CString<C>::drop() {
    if (--buf_->refs == 0) std::free(buf_);
}

template class String::CString<char>;
template class String::CString<char16_t>;

// ---------------------------------------------------------------------------------------------
// Comparison and concatenation
// ---------------------------------------------------------------------------------------------

bool String::operator==(const String& other) const {
    if (rep_ == other.rep_) return true;
    int n = rep_->length;
    if (n != other.rep_->length) return false;
    return std::memcmp(rep_->data(), other.rep_->data(), n * sizeof(char16_t)) == 0;
}

int String::Compare(const String& other) const {
    int n = rep_->length < other.rep_->length ? rep_->length : other.rep_->length;
    const char16_t* a = rep_->data();
    const char16_t* b = other.rep_->data();
    for (int i = 0; i < n; ++i) {
        if (a[i] != b[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
    }
    return rep_->length - other.rep_->length;
}

String operator+(const String& a, const String& b) {
    if (a.Length() == 0) return b;
    if (b.Length() == 0) return a;
    if (a.Length() > INT_MAX - b.Length()) bbOutOfMemory();
    String::Rep* rep = String::Rep::alloc(a.Length() + b.Length());
    std::memcpy(rep->data(), a.Data(), a.Length() * sizeof(char16_t));
    std::memcpy(rep->data() + a.Length(), b.Data(), b.Length() * sizeof(char16_t));
    return String(rep);
}

String& String::operator+=(const String& other) {
    return *this = *this + other;
}

// ---------------------------------------------------------------------------------------------
// Slicing, splitting, replacing, searching
// ---------------------------------------------------------------------------------------------

String String::Slice(int from) const {
    return Slice(from, Length());
}

String String::Slice(int from, int term) const {
    int length = Length();
    if (!ClipSliceBounds(length, from, term)) return String();
    if (from == 0 && term == length) return *this;
    return String(Data() + from, term - from);
}

int String::Find(const String& text, int start) const {
    if (start < 0) start = 0;
    int n = text.Length();
    int last = Length() - n;
    for (int i = start; i <= last; ++i) {
        if (std::memcmp(Data() + i, text.Data(), n * sizeof(char16_t)) == 0) return i;
    }
    return -1;
}

int String::FindLast(const String& text) const {
    return FindLast(text, Length());
}

int String::FindLast(const String& text, int start) const {
    int n = text.Length();
    int i = start < Length() - n ? start : Length() - n;
    for (; i >= 0; --i) {
        if (std::memcmp(Data() + i, text.Data(), n * sizeof(char16_t)) == 0) return i;
    }
    return -1;
}

bool String::StartsWith(const String& text) const {
    return text.Length() <= Length() &&
           std::memcmp(Data(), text.Data(), text.Length() * sizeof(char16_t)) == 0;
}

bool String::EndsWith(const String& text) const {
    return text.Length() <= Length() && std::memcmp(Data() + Length() - text.Length(), text.Data(),
                                                    text.Length() * sizeof(char16_t)) == 0;
}

Array<String> String::Split(const String& separator) const {
    int length = Length();
    int n = separator.Length();
    if (n == 0) {
        Array<String> pieces(length);
        for (int i = 0; i < length; ++i)
            pieces[i] = String(Data() + i, 1);
        return pieces;
    }
    int count = 1;
    for (int at = Find(separator); at != -1; at = Find(separator, at + n))
        ++count;
    Array<String> pieces(count);
    if (count == 1) {
        pieces[0] = *this;
        return pieces;
    }
    int start = 0;
    for (int i = 0; i < count - 1; ++i) {
        int at = Find(separator, start);
        pieces[i] = Slice(start, at);
        start = at + n;
    }
    pieces[count - 1] = Slice(start, length);
    return pieces;
}

String String::Replace(const String& find, const String& replacement) const {
    int n = find.Length();
    if (n == 0) return *this;
    int at = Find(find);
    if (at == -1) return *this;
    std::vector<char16_t> out;
    out.reserve(Length());
    int start = 0;
    for (; at != -1; at = Find(find, start)) {
        out.insert(out.end(), Data() + start, Data() + at);
        out.insert(out.end(), replacement.Data(), replacement.Data() + replacement.Length());
        start = at + n;
    }
    out.insert(out.end(), Data() + start, Data() + Length());
    if (out.size() > static_cast<std::size_t>(INT_MAX)) bbOutOfMemory();
    return String(out.data(), static_cast<int>(out.size()));
}

String String::ToLower() const {
    Rep* rep = copy_mapped(*this, ascii_lower);
    return rep ? String(rep) : *this;
}

String String::ToUpper() const {
    Rep* rep = copy_mapped(*this, ascii_upper);
    return rep ? String(rep) : *this;
}

String String::Trim() const {
    int from = 0;
    int term = Length();
    while (from < term && is_white_space((*this)[from]))
        ++from;
    while (term > from && is_white_space((*this)[term - 1]))
        --term;
    return Slice(from, term);
}

String String::Join(const Array<String>& pieces) const {
    String result;
    for (int i = 0; i < pieces.Length(); ++i) {
        if (i > 0) result += *this;
        result += pieces[i];
    }
    return result;
}

String String::FromChar(int character) {
    char16_t c = static_cast<char16_t>(character);
    return String(&c, 1);
}

// ---------------------------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------------------------

int String::ToInt() const {
    char buffer[kIntegerTextLimit + 1];
    int n = Length() < kIntegerTextLimit ? Length() : kIntegerTextLimit;
    for (int i = 0; i < n; ++i)
        buffer[i] = static_cast<char>((*this)[i] & 0xFF);
    buffer[n] = 0;
    // strtol reports overflow, which atoi leaves undefined; out-of-range values saturate.
    errno = 0;
    long value = std::strtol(buffer, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string String::ToUtf8() const {
    std::string out;
    out.reserve(Length());
    for (int i = 0; i < Length(); ++i) {
        unsigned c = (*this)[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Decoding text files
// ---------------------------------------------------------------------------------------------

namespace {

String decode_utf16(const unsigned char* p, std::size_t count, bool big_endian) {
    std::size_t n = count / 2;  // a trailing odd byte is ignored
    std::vector<char16_t> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned hi = big_endian ? p[2 * i] : p[2 * i + 1];
        unsigned lo = big_endian ? p[2 * i + 1] : p[2 * i];
        out[i] = static_cast<char16_t>(hi << 8 | lo);
    }
    return String(out.data(), static_cast<int>(n));
}

// Sequences of one to three bytes; anything else makes the whole text invalid.
bool decode_utf8(const unsigned char* p, std::size_t count, std::vector<char16_t>& out) {
    out.reserve(count);
    std::size_t i = 0;
    while (i < count) {
        unsigned c = p[i];
        if (c < 0x80) {
            out.push_back(static_cast<char16_t>(c));
            i += 1;
        } else if ((c & 0xE0) == 0xC0) {
            if (i + 1 >= count || (p[i + 1] & 0xC0) != 0x80) return false;
            out.push_back(static_cast<char16_t>((c & 0x1F) << 6 | (p[i + 1] & 0x3F)));
            i += 2;
        } else if ((c & 0xF0) == 0xE0) {
            if (i + 2 >= count || (p[i + 1] & 0xC0) != 0x80 || (p[i + 2] & 0xC0) != 0x80) {
                return false;
            }
            out.push_back(static_cast<char16_t>((c & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 |
                                                (p[i + 2] & 0x3F)));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

String String::DecodeText(const unsigned char* bytes, std::size_t count) {
    if (count > kMaxLoadBytes) count = kMaxLoadBytes;
    if (count == 0) return String();
    if (count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        return decode_utf16(bytes + 2, count - 2, true);
    }
    if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return decode_utf16(bytes + 2, count - 2, false);
    }
    const unsigned char* p = bytes;
    if (count > 2 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        p += 3;
        count -= 3;
    }
    std::vector<char16_t> out;
    if (!decode_utf8(p, count, out)) {
        // Not UTF-8: read as ISO 8859-1, one character per byte.
        out.assign(p, p + count);
    }
    return String(out.data(), static_cast<int>(out.size()));
}

String String::Load(FILE* file) {
    std::vector<unsigned char> bytes;
    // Reading stops at kMaxLoadBytes so that the decoded length fits a String.
    while (bytes.size() < kMaxLoadBytes) {
        std::size_t at = bytes.size();
        bytes.resize(at + kLoadBlockBytes);
        std::size_t got = std::fread(bytes.data() + at, 1, kLoadBlockBytes, file);
        bytes.resize(at + got);
        if (got < kLoadBlockBytes) break;
    }
    return DecodeText(bytes.data(), bytes.size());
}
