// Tests of String and of Array's own operations: number conversions, slicing bounds, splitting,
// replacing, the to-integer conversion, sharing of representations, the narrow and wide forms,
// UTF-8 encoding and the text-file decoder behind String::Load.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/runtime.h"
#include "tests/support/gc_fixture.h"

namespace {

std::u16string units(const String& s) {
    return std::u16string(s.Data(), s.Length());
}

std::vector<std::u16string> units(const Array<String>& a) {
    std::vector<std::u16string> out;
    for (const String& s : a)
        out.push_back(units(s));
    return out;
}

class Strings : public GcTest {};

TEST_F(Strings, NumbersConvertWithTheFixedFormats) {
    struct Case {
        float value;
        const char* text;
    };
    for (Case c : {Case{3.0f, "3.0"}, Case{1.0f, "1.0"}, Case{0.5f, "0.5"}, Case{0.25f, "0.25"},
                   Case{0.1f, "0.10000000149011612"}, Case{-0.0f, "-0.0"},
                   Case{1e20f, "1.0000000200408773e+20"}, Case{123456789.0f, "123456792.0"}}) {
        EXPECT_EQ(String(c.value).ToUtf8(), c.text);
    }
    struct IntCase {
        int value;
        const char* text;
    };
    for (IntCase c : {IntCase{-2, "-2"}, IntCase{0, "0"}, IntCase{2147483647, "2147483647"},
                      IntCase{-2147483647 - 1, "-2147483648"}}) {
        EXPECT_EQ(String(c.value).ToUtf8(), c.text);
    }
}

TEST_F(Strings, ConstructionFromNarrowAndWideText) {
    EXPECT_EQ(units(String("abc")), u"abc");
    // Narrow bytes are sign-extended.
    EXPECT_EQ(units(String("a\xE9")), std::u16string(u"a\xFFE9"));
    const char16_t wide[] = u"x\u20ACy";
    EXPECT_EQ(units(String(wide, 3)), u"x\u20ACy");
    EXPECT_EQ(String(wide, 0).GetRep(), &String::nullRep);
    EXPECT_EQ(String("").GetRep(), &String::nullRep);
    EXPECT_EQ(String::FromChar(0x41), String("A"));
}

TEST_F(Strings, SliceBounds) {
    String abc("abc");
    struct Case {
        int from, term;
        const char16_t* expected;
    };
    for (Case c : {Case{-2, 99, u"bc"}, Case{2, 1, u""}, Case{0, -1, u"ab"}, Case{-99, 2, u"ab"},
                   Case{1, -5, u""}, Case{5, 9, u""}, Case{1, 2, u"b"}, Case{3, 3, u""}}) {
        SCOPED_TRACE(testing::Message() << c.from << ".." << c.term);
        String slice = abc.Slice(c.from, c.term);
        EXPECT_EQ(units(slice), c.expected);
        if (slice.Length() == 0) {
            EXPECT_EQ(slice.GetRep(), &String::nullRep);
        }
    }
    EXPECT_EQ(abc.Slice(0, 3).GetRep(), abc.GetRep());
    EXPECT_EQ(abc.Slice(-3).GetRep(), abc.GetRep());
    EXPECT_EQ(units(abc.Slice(1)), u"bc");
}

TEST_F(Strings, Split) {
    struct Case {
        const char* text;
        const char* separator;
        std::vector<std::u16string> pieces;
    };
    for (const Case& c : {
             Case{"a,,b,", ",", {u"a", u"", u"b", u""}},
             Case{"abc", "", {u"a", u"b", u"c"}},
             Case{"", ",", {u""}},
             Case{"", "", {}},
             Case{",a", ",", {u"", u"a"}},
             Case{"a||b||", "||", {u"a", u"b", u""}},
             Case{"aaa", "aa", {u"", u"a"}},
             Case{"1|2|", "|", {u"1", u"2", u""}},
         }) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" at \"" << c.separator << '"');
        EXPECT_EQ(units(String(c.text).Split(String(c.separator))), c.pieces);
    }
    String plain("no separator here");
    Array<String> one = plain.Split(String(","));
    ASSERT_EQ(one.Length(), 1);
    EXPECT_EQ(one[0].GetRep(), plain.GetRep());
    EXPECT_EQ(String("").Split(String("")).GetRep(), &Array<String>::nullRep);
}

TEST_F(Strings, Replace) {
    struct Case {
        const char* text;
        const char* find;
        const char* replacement;
        const char16_t* expected;
    };
    for (Case c : {Case{"aaaa", "aa", "b", u"bb"}, Case{"aaa", "aa", "b", u"ba"},
                   Case{"a.b.c", ".", "", u"abc"}, Case{"xyz", "y", "yy", u"xyyz"},
                   Case{"abc", "", "x", u"abc"}, Case{"", "a", "b", u""}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(units(String(c.text).Replace(String(c.find), String(c.replacement))), c.expected);
    }
    String text("nothing to find");
    EXPECT_EQ(text.Replace(String("#"), String("!")).GetRep(), text.GetRep());
    EXPECT_EQ(text.Replace(String(""), String("!")).GetRep(), text.GetRep());
}

TEST_F(Strings, ToInteger) {
    struct Case {
        std::u16string text;
        int value;
    };
    for (const Case& c : {
             Case{u"12abc", 12},
             Case{u"abc", 0},
             Case{u" -7", -7},
             Case{u"+15", 15},
             Case{u"\t\n42", 42},
             // Always decimal: no octal or hexadecimal prefixes.
             Case{u"010", 10},
             Case{u"0x1A", 0},
             Case{u"", 0},
             Case{u"-", 0},
             Case{u"2147483647", 2147483647},
             Case{u"99999999999999999999", 2147483647},
             Case{u"-99999999999999999999", -2147483647 - 1},
             // Only the low 8 bits count: U+0131 narrows to '1'.
             Case{u"\u0131\u0132", 12},
             // Characters beyond the 63rd are not read.
             Case{std::u16string(62, u' ') + u"7", 7},
             Case{std::u16string(63, u' ') + u"7", 0},
             Case{u"12" + std::u16string(200, u'3'), 2147483647},
         }) {
        SCOPED_TRACE(String(c.text.data(), static_cast<int>(c.text.size())).ToUtf8());
        EXPECT_EQ(String(c.text.data(), static_cast<int>(c.text.size())).ToInt(), c.value);
    }
}

TEST_F(Strings, ConcatenationAndCopiesShareRepresentations) {
    String a("left");
    String empty;
    EXPECT_EQ((a + empty).GetRep(), a.GetRep());
    EXPECT_EQ((empty + a).GetRep(), a.GetRep());
    EXPECT_EQ((empty + empty).GetRep(), &String::nullRep);
    String ab = a + String("right");
    EXPECT_EQ(units(ab), u"leftright");
    EXPECT_EQ(units(a), u"left");
    String built;
    for (int i = 0; i < 3; ++i)
        built += String(i);
    EXPECT_EQ(built, String("012"));

    // Reference counts follow copies.
    a = String("counted");
    EXPECT_EQ(a.GetRep()->refs, 1);
    {
        String b = a;
        String c;
        c = b;
        EXPECT_EQ(a.GetRep()->refs, 3);
        String d = std::move(c);
        EXPECT_EQ(a.GetRep()->refs, 3);
    }
    EXPECT_EQ(a.GetRep()->refs, 1);
    a = a;
    EXPECT_EQ(units(a), u"counted");
    // The shared empty representation survives any number of releases of empty strings.
    int before = String::nullRep.refs;
    { String e1, e2 = e1, e3 = String("").Slice(0); }
    EXPECT_EQ(String::nullRep.refs, before);
}

TEST_F(Strings, ComparisonAndSearch) {
    EXPECT_FALSE(String("ab") == String("abc"));
    EXPECT_LT(String("ab").Compare(String("abc")), 0);
    EXPECT_GT(String("b").Compare(String("abc")), 0);
    String text("one two one");
    EXPECT_EQ(text.Find(String("one"), 1), 8);
    EXPECT_EQ(text.Find(String("three")), -1);
    EXPECT_EQ(text.FindLast(String("one"), 7), 0);
    EXPECT_FALSE(String("a").EndsWith(String("ba")));
    EXPECT_EQ(units(String("  Mixed Case \n").Trim().ToUpper()), u"MIXED CASE");
    EXPECT_EQ(units(String(",").Join(String("a,b,,c").Split(String(",")))), u"a,b,,c");
}

TEST_F(Strings, NarrowWideAndUtf8Forms) {
    const char16_t chars[] = {u'A', 0x20AC, 0x00E9, 0x0141};
    String s(chars, 4);
    String::CString<char> narrow = s.ToCString<char>();
    EXPECT_EQ(std::string(narrow.c_str()), std::string("A\xAC\xE9\x41"));
    EXPECT_EQ(narrow.Length(), 4);
    String::CString<char> copy = narrow;
    EXPECT_EQ(copy.c_str(), narrow.c_str());
    String::CString<char16_t> wide = s.ToCString<char16_t>();
    EXPECT_EQ(std::u16string(wide.c_str()), std::u16string(chars, 4));
    EXPECT_EQ(String().ToCString<char>().c_str()[0], '\0');
    EXPECT_EQ(s.ToUtf8(), "A\xE2\x82\xAC\xC3\xA9\xC5\x81");
}

// -- String::Load ---------------------------------------------------------------------------

String load_bytes(const std::vector<unsigned char>& bytes) {
    FILE* f = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    String s = String::Load(f);
    std::fclose(f);
    return s;
}

TEST_F(Strings, LoadDecodings) {
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        std::u16string text;
    };
    for (const Case& c : {
             Case{"UTF-8 with BOM", {0xEF, 0xBB, 0xBF, 0x41}, u"A"},
             Case{"UTF-16 LE", {0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}, u"AB"},
             Case{"UTF-16 BE", {0xFE, 0xFF, 0x00, 0x41}, u"A"},
             Case{"UTF-16 BE, odd byte ignored", {0xFE, 0xFF, 0x20, 0xAC, 0x41}, u"\u20AC"},
             Case{"Latin-1 fallback", {0x41, 0xE9, 0x42}, u"A\u00E9B"},
             Case{"Latin-1 after BOM", {0xEF, 0xBB, 0xBF, 0xE9}, u"\u00E9"},
             Case{"two- and three-byte UTF-8", {0xC3, 0xA9, 0xE2, 0x82, 0xAC}, u"\u00E9\u20AC"},
             Case{"four-byte lead is invalid",
                  {0xF0, 0x9F, 0x98, 0x80},
                  u"\u00F0\u009F\u0098\u0080"},
             Case{"stray continuation", {0x80, 0x41}, u"\u0080A"},
             Case{"cut-off sequence", {0x41, 0xE2, 0x82}, u"A\u00E2\u0082"},
             Case{"bad follow byte", {0xC3, 0x41}, u"\u00C3A"},
             Case{"bad follow bytes of a three-byte lead", {0x41, 0xE9, 0x41, 0x42}, u"A\u00E9AB"},
             Case{"two bytes EF BB are not a BOM", {0xEF, 0xBB}, u"\u00EF\u00BB"},
             Case{"BOM only", {0xEF, 0xBB, 0xBF}, u""},
             Case{"UTF-16 BOM only", {0xFF, 0xFE}, u""},
             Case{"empty file", {}, u""},
         }) {
        SCOPED_TRACE(c.what);
        String s = load_bytes(c.bytes);
        EXPECT_EQ(units(s), c.text);
        if (c.text.empty()) {
            EXPECT_EQ(s.GetRep(), &String::nullRep);
        }
    }
}

TEST_F(Strings, LoadReadsAcrossBlockBoundaries) {
    for (std::size_t size : {4095u, 4096u, 4097u, 8192u, 10000u}) {
        SCOPED_TRACE(size);
        std::vector<unsigned char> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<unsigned char>('a' + i % 26);
        String s = load_bytes(bytes);
        ASSERT_EQ(s.Length(), static_cast<int>(size));
        EXPECT_EQ(s[static_cast<int>(size) - 1], u'a' + (size - 1) % 26);
    }
    // A multi-byte sequence split by a block boundary still decodes.
    std::vector<unsigned char> bytes(4095, 'x');
    for (unsigned char b : {0xE2, 0x82, 0xAC})
        bytes.push_back(b);
    String s = load_bytes(bytes);
    ASSERT_EQ(s.Length(), 4096);
    EXPECT_EQ(s[4095], 0x20AC);
}

TEST_F(Strings, Utf8RoundTripThroughLoad) {
    std::u16string text = u"state|12|-7|\u00E9\u20AC\uFFFF|";
    String s(text.data(), static_cast<int>(text.size()));
    std::string bytes = s.ToUtf8();
    EXPECT_EQ(units(String::DecodeText(reinterpret_cast<const unsigned char*>(bytes.data()),
                                       bytes.size())),
              text);
}

// -- Array operations -----------------------------------------------------------------------

TEST_F(Strings, ArraySliceResizeAndZeroInitialisation) {
    Array<int> numbers(5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(numbers[i], 0);
    for (int i = 0; i < 5; ++i)
        numbers[i] = i * 10;
    EXPECT_EQ(numbers.Slice(-2).Length(), 2);
    EXPECT_EQ(numbers.Slice(-2)[0], 30);
    EXPECT_EQ(numbers.Slice(0, 5).GetRep(), numbers.GetRep());
    EXPECT_EQ(numbers.Slice(3, 1).GetRep(), &Array<int>::nullRep);
    Array<int> longer = numbers.Resize(7);
    EXPECT_EQ(longer.Length(), 7);
    EXPECT_EQ(longer[4], 40);
    EXPECT_EQ(longer[6], 0);
    Array<float> floats(2);
    EXPECT_EQ(floats[1], 0.0f);
    Array<bool> flags(3);
    EXPECT_FALSE(flags[2]);
    Array<String> texts(2);
    EXPECT_EQ(texts[1].GetRep(), &String::nullRep);
    Array<String> copy = texts;  // arrays are shared, not copied
    copy[0] = String("seen by both");
    EXPECT_EQ(texts[0], String("seen by both"));
}

}  // namespace
