// String: the immutable, reference-counted text of 16-bit characters (UTF-16 code units) that
// the whole program passes around, its narrow and wide zero-terminated forms for C library
// calls, number conversions and the text-file decoder. Relies on malloc/free only; Split's
// result type comes from runtime/array.h, included at the end.
//
// Sharing rules callers may count on: every empty result is the one shared empty
// representation, and an operation whose result equals an operand (concatenation with the empty
// string, a whole-string slice, a split or replace that finds nothing) returns that operand's
// representation instead of copying it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

template <class T>
class Array;

// Ends the process with a runtime error; defined with the other exits in runtime/errors.cpp.
[[noreturn]] void bbOutOfMemory();

// The bounds rules that String::Slice and Array::Slice share, applied to a sequence of `length`
// elements: a negative `from` counts from the end and stops at 0; a negative `term` counts from
// the end but is not clamped (a term still below `from` gives an empty slice); both stop at the
// length. True when the slice has elements.
inline bool ClipSliceBounds(int length, int& from, int& term) {
    if (from < 0) {
        from += length;
        if (from < 0) from = 0;
    } else if (from > length) {
        from = length;
    }
    if (term < 0) {
        term += length;
    } else if (term > length) {
        term = length;
    }
    return from < term;
}

class String {
public:
    // One heap block: the two counters followed by `length` characters, no terminator.
    struct Rep {
        int refs;
        int length;

        char16_t* data() { return reinterpret_cast<char16_t*>(this + 1); }
        const char16_t* data() const { return reinterpret_cast<const char16_t*>(this + 1); }
        void retain() { ++refs; }
        // Frees the representation with its last holder; never the shared empty one.
        void release();
        // A new representation with refs 1 and room for `length` (> 0) characters, not yet set.
        static Rep* alloc(int length);
    };

    // Stands for every empty string.
    static Rep nullRep;

    // A zero-terminated copy of a string for C library calls: CString<char> holds each
    // character narrowed to its low 8 bits (file names, number parsing), CString<char16_t> the
    // characters unchanged (wide file names). Copies share one reference-counted buffer.
    template <class C>
    class CString {
    public:
        explicit CString(const String& s);
        CString(const CString& other) : buf_(other.buf_) { ++buf_->refs; }
        CString& operator=(const CString& other) {
            ++other.buf_->refs;
            drop();
            buf_ = other.buf_;
            return *this;
        }
        ~CString() { drop(); }

        const C* c_str() const { return buf_->chars(); }
        operator const C*() const { return buf_->chars(); }
        int Length() const { return buf_->count; }

    private:
        struct Buf {
            int refs;
            int count;
            C* chars() { return reinterpret_cast<C*>(this + 1); }
        };
        void drop();
        Buf* buf_;
    };

    // -- construction -------------------------------------------------------------------------
    String() : rep_(&nullRep) { nullRep.retain(); }
    String(const String& s) : rep_(s.rep_) { rep_->retain(); }
    String(String&& s) noexcept : rep_(s.rep_) {
        s.rep_ = &nullRep;
        nullRep.retain();
    }
    // Copies `length` characters; length 0 (or less) gives the empty string.
    String(const char16_t* chars, int length);
    // A zero-terminated 16-bit text, such as a u"" literal.
    String(const char16_t* text);
    // A zero-terminated narrow text, each byte sign-extended to 16 bits (bytes 0x80-0xFF become
    // 0xFF80-0xFFFF): meant for ASCII texts.
    String(const char* text);
    String(const char* text, int length);
    // "%i": decimal, a leading minus sign for negatives.
    explicit String(int value);
    // "%.17lg" of the value widened to double, with ".0" appended when the text has neither a
    // point nor an exponent: 1.0 gives "1.0", 0.1 gives "0.10000000149011612".
    explicit String(float value);
    // Takes over one reference to `rep` (from Rep::alloc, or &nullRep after a retain()).
    explicit String(Rep* rep) : rep_(rep) {}

    ~String() { rep_->release(); }

    String& operator=(const String& s) {
        s.rep_->retain();
        rep_->release();
        rep_ = s.rep_;
        return *this;
    }
    String& operator=(String&& s) noexcept {
        Rep* old = rep_;
        rep_ = s.rep_;
        s.rep_ = old;
        return *this;
    }

    // -- access -------------------------------------------------------------------------------
    int Length() const { return rep_->length; }
    // Unchecked: callers keep 0 <= index < Length().
    char16_t operator[](int index) const { return rep_->data()[index]; }
    const char16_t* Data() const { return rep_->data(); }
    const Rep* GetRep() const { return rep_; }

    // -- comparison ---------------------------------------------------------------------------
    bool operator==(const String& other) const;
    bool operator!=(const String& other) const { return !(*this == other); }
    // Character by character, then the shorter first: negative, 0 or positive.
    int Compare(const String& other) const;
    bool operator<(const String& other) const { return Compare(other) < 0; }
    bool operator<=(const String& other) const { return Compare(other) <= 0; }
    bool operator>(const String& other) const { return Compare(other) > 0; }
    bool operator>=(const String& other) const { return Compare(other) >= 0; }

    // -- operations (the operands never change) -----------------------------------------------
    friend String operator+(const String& a, const String& b);
    String& operator+=(const String& other);

    // The characters from `from` up to, not including, `term`. A negative `from` counts from
    // the end and stops at 0; a negative `term` counts from the end; both stop at the length.
    String Slice(int from) const;
    String Slice(int from, int term) const;
    // Pieces between non-overlapping separators, empty pieces included; an empty separator
    // splits into single characters.
    Array<String> Split(const String& separator) const;
    // Every non-overlapping occurrence of `find`, left to right. An empty `find` leaves the text
    // unchanged (a search for it would never advance).
    String Replace(const String& find, const String& replacement) const;

    // Index of the first occurrence at or after `start`, or -1.
    int Find(const String& text, int start = 0) const;
    // Index of the last occurrence that starts at or before `start`, or -1.
    int FindLast(const String& text) const;
    int FindLast(const String& text, int start) const;
    bool Contains(const String& text) const { return Find(text) != -1; }
    bool StartsWith(const String& text) const;
    bool EndsWith(const String& text) const;
    // ASCII letters only: other characters are left alone.
    String ToLower() const;
    String ToUpper() const;
    // Without leading and trailing characters at or below the space.
    String Trim() const;
    // The pieces with this string between each two.
    String Join(const Array<String>& pieces) const;
    static String FromChar(int character);

    // The first 63 characters at most, narrowed to their low 8 bits and read as a decimal
    // integer: leading white space, an optional sign, digits up to the first other character;
    // no digits gives 0. Values beyond the int range give INT_MAX or INT_MIN.
    int ToInt() const;

    template <class C>
    CString<C> ToCString() const {
        return CString<C>(*this);
    }
    // UTF-8, 1 to 3 bytes per character (a surrogate is encoded on its own, like any other
    // 16-bit value).
    std::string ToUtf8() const;

    // Reads the rest of `file` and decodes it: UTF-16 with a byte-order mark either way round,
    // else UTF-8 with or without one, else (invalid UTF-8) one character per byte. Never fails.
    static String Load(FILE* file);
    // The decoding of Load applied to bytes in memory.
    static String DecodeText(const unsigned char* bytes, std::size_t count);
    // Load stops reading beyond this many bytes, so that the decoded length always fits.
    static constexpr std::size_t kMaxLoadBytes = std::size_t(1) << 30;

private:
    Rep* rep_;
};

String operator+(const String& a, const String& b);

inline void String::Rep::release() {
    if (--refs == 0 && this != &nullRep) std::free(this);
}

// Slot functions for runs of String values in raw storage: t_create constructs `n` empty
// strings (or copies of `source`) in place, t_destroy releases `n` strings.
void t_create(int n, String* slots);
void t_create(int n, String* slots, const String* source);
void t_destroy(int n, String* slots);

// Defined in text.cpp for the two character types in use.
extern template class String::CString<char>;
extern template class String::CString<char16_t>;

#include "runtime/array.h"
