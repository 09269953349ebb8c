// Tests of String and of Array's own operations: the texts that conversions, slicing, replacing
// and the other operations give, which of them share a representation, splitting, searching, the
// to-integer conversion, reference counts, the narrow and wide forms, and the text-file decoder
// behind String::Load.
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

String text_of(const std::u16string& units) {
    return String(units.data(), static_cast<int>(units.size()));
}

class Strings : public GcTest {};

// Every operation that makes a text, as (what it was asked, the String it gave, the text
// expected). An operation on `abc` that gives "abc" gives `abc` itself, and every empty result is
// the shared empty representation.
TEST_F(Strings, OperationsGiveTheirTexts) {
    const String abc("abc");
    const String text("one two one");
    const char16_t wide[] = u"x\u20ACy";
    String built;
    for (int i = 0; i < 3; ++i)
        built += String(i);
    struct Case {
        const char* what;
        String got;
        std::u16string text;
    };
    const Case cases[] = {
        {"3.0f", String(3.0f), u"3.0"},
        {"0.5f", String(0.5f), u"0.5"},
        {"0.1f", String(0.1f), u"0.10000000149011612"},
        {"-0.0f", String(-0.0f), u"-0.0"},
        {"1e20f", String(1e20f), u"1.0000000200408773e+20"},
        {"123456789.0f", String(123456789.0f), u"123456792.0"},
        {"-2", String(-2), u"-2"},
        {"0", String(0), u"0"},
        {"INT_MAX", String(2147483647), u"2147483647"},
        {"INT_MIN", String(-2147483647 - 1), u"-2147483648"},
        {"narrow bytes are sign-extended", String("a\xE9"), u"a\xFFE9"},
        {"wide", String(wide, 3), u"x\u20ACy"},
        {"wide, length 0", String(wide, 0), u""},
        {"narrow, empty", String(""), u""},
        {"FromChar", String::FromChar(0x41), u"A"},
        {"Slice(-2, 99)", abc.Slice(-2, 99), u"bc"},
        {"Slice(2, 1)", abc.Slice(2, 1), u""},
        {"Slice(0, -1)", abc.Slice(0, -1), u"ab"},
        {"Slice(-99, 2)", abc.Slice(-99, 2), u"ab"},
        {"Slice(1, -5)", abc.Slice(1, -5), u""},
        {"Slice(5, 9)", abc.Slice(5, 9), u""},
        {"Slice(1, 2)", abc.Slice(1, 2), u"b"},
        {"Slice(3, 3)", abc.Slice(3, 3), u""},
        {"Slice(1)", abc.Slice(1), u"bc"},
        {"Slice(0, 3)", abc.Slice(0, 3), u"abc"},
        {"Slice(-3)", abc.Slice(-3), u"abc"},
        {"Replace aa in aaaa", String("aaaa").Replace(String("aa"), String("b")), u"bb"},
        {"Replace aa in aaa", String("aaa").Replace(String("aa"), String("b")), u"ba"},
        {"Replace with nothing", String("a.b").Replace(String("."), String()), u"ab"},
        {"Replace by a longer text", String("xyz").Replace(String("y"), String("yy")), u"xyyz"},
        {"Replace of nothing", abc.Replace(String(), String("x")), u"abc"},
        {"Replace of text not found", abc.Replace(String("#"), String("!")), u"abc"},
        {"Replace in empty", String().Replace(String("a"), String("b")), u""},
        {"Split without separator", abc.Split(String(","))[0], u"abc"},
        {"Trim, ToUpper", String("  Mixed Case \n").Trim().ToUpper(), u"MIXED CASE"},
        {"Join of Split", String(",").Join(String("a,b,,c").Split(String(","))), u"a,b,,c"},
        {"concatenation", String("left") + String("right"), u"leftright"},
        {"+ empty", abc + String(), u"abc"},
        {"empty +", String() + abc, u"abc"},
        {"empty + empty", String() + String(), u""},
        {"+=", built, u"012"},
        {"ab == abc", String(String("ab") == String("abc")), u"0"},
        {"ab before abc", String(String("ab").Compare(String("abc")) < 0), u"1"},
        {"b after abc", String(String("b").Compare(String("abc")) > 0), u"1"},
        {"Find from 1", String(text.Find(String("one"), 1)), u"8"},
        {"Find of text not there", String(text.Find(String("three"))), u"-1"},
        {"FindLast from 7", String(text.FindLast(String("one"), 7)), u"0"},
        {"EndsWith a longer text", String(String("a").EndsWith(String("ba"))), u"0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(units(c.got), c.text) << c.what;
        EXPECT_EQ(c.got.GetRep() == abc.GetRep(), c.text == u"abc") << c.what;
        EXPECT_EQ(c.got.GetRep() == &String::nullRep, c.text.empty()) << c.what;
    }
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
        EXPECT_EQ(units(String(c.text).Split(String(c.separator))), c.pieces)
            << '"' << c.text << "\" at \"" << c.separator << '"';
    }
    EXPECT_EQ(String("").Split(String("")).GetRep(), &Array<String>::nullRep);
}

TEST_F(Strings, ToIntegerIsDecimalAndSaturates) {
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
        EXPECT_EQ(text_of(c.text).ToInt(), c.value) << text_of(c.text).ToUtf8();
    }
}

TEST_F(Strings, CopiesCountReferencesAndTheEmptyRepresentationSurvivesReleases) {
    String a("counted");
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
    const int before = String::nullRep.refs;
    { String e1, e2 = e1, e3 = String("").Slice(0); }
    EXPECT_EQ(String::nullRep.refs, before);
}

TEST_F(Strings, NarrowWideAndUtf8Forms) {
    const char16_t chars[] = {u'A', 0x20AC, 0x00E9, 0x0141};
    const String s(chars, 4);
    const String::CString<char> narrow = s.ToCString<char>();  // the low 8 bits
    EXPECT_EQ(std::string(narrow.c_str(), narrow.Length()), "A\xAC\xE9\x41");
    EXPECT_EQ(std::u16string(s.ToCString<char16_t>().c_str()), std::u16string(chars, 4));
    EXPECT_EQ(String().ToCString<char>().c_str()[0], '\0');
    EXPECT_EQ(s.ToUtf8(), "A\xE2\x82\xAC\xC3\xA9\xC5\x81");
}

// -- String::Load ---------------------------------------------------------------------------

using Bytes = std::vector<unsigned char>;

String load_bytes(const Bytes& bytes) {
    FILE* f = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    String s = String::Load(f);
    std::fclose(f);
    return s;
}

// `count` bytes 'x' followed by `tail`: long files cross the reader's blocks.
Bytes xs(std::size_t count, const std::string& tail = "") {
    Bytes bytes(count, 'x');
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

TEST_F(Strings, LoadDecodings) {
    const std::u16string round_trip = u"state|12|-7|\u00E9\u20AC\uFFFF|";
    struct Case {
        const char* what;
        Bytes bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"UTF-8 with BOM", {0xEF, 0xBB, 0xBF, 0x41}, u"A"},
        {"UTF-16 LE", {0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}, u"AB"},
        {"UTF-16 BE", {0xFE, 0xFF, 0x00, 0x41}, u"A"},
        {"UTF-16 BE, odd byte ignored", {0xFE, 0xFF, 0x20, 0xAC, 0x41}, u"\u20AC"},
        {"Latin-1 fallback", {0x41, 0xE9, 0x42}, u"A\u00E9B"},
        {"Latin-1 after BOM", {0xEF, 0xBB, 0xBF, 0xE9}, u"\u00E9"},
        {"two- and three-byte UTF-8", {0xC3, 0xA9, 0xE2, 0x82, 0xAC}, u"\u00E9\u20AC"},
        {"four-byte lead is invalid", {0xF0, 0x9F, 0x98, 0x80}, u"\u00F0\u009F\u0098\u0080"},
        {"four-byte lead before two follow bytes", {0xF0, 0x9F, 0x98}, u"\u00F0\u009F\u0098"},
        {"bad third byte of a three-byte lead", {0xE2, 0x82, 0x41}, u"\u00E2\u0082A"},
        {"stray continuation", {0x80, 0x41}, u"\u0080A"},
        {"cut-off sequence", {0x41, 0xE2, 0x82}, u"A\u00E2\u0082"},
        {"bad follow byte", {0xC3, 0x41}, u"\u00C3A"},
        {"bad follow bytes of a three-byte lead", {0x41, 0xE9, 0x41, 0x42}, u"A\u00E9AB"},
        {"two bytes EF BB are not a BOM", {0xEF, 0xBB}, u"\u00EF\u00BB"},
        {"BOM only", {0xEF, 0xBB, 0xBF}, u""},
        {"UTF-16 BOM only", {0xFF, 0xFE}, u""},
        {"empty file", {}, u""},
        {"4095 bytes", xs(4095), std::u16string(4095, u'x')},
        {"4096 bytes", xs(4096), std::u16string(4096, u'x')},
        {"4097 bytes", xs(4097), std::u16string(4097, u'x')},
        {"8192 bytes", xs(8192), std::u16string(8192, u'x')},
        {"a sequence across blocks", xs(4095, "\u20AC"), std::u16string(4095, u'x') + u"\u20AC"},
        {"what ToUtf8 wrote", xs(0, text_of(round_trip).ToUtf8()), round_trip},
    };
    for (const Case& c : cases) {
        const String s = load_bytes(c.bytes);
        EXPECT_EQ(units(s), c.text) << c.what;
        EXPECT_EQ(s.GetRep() == &String::nullRep, c.text.empty()) << c.what;
    }
}

// -- Array operations -----------------------------------------------------------------------

template <class T>
std::vector<T> elements(const Array<T>& a) {
    return std::vector<T>(a.begin(), a.end());
}

TEST_F(Strings, ArraySliceResizeAndZeroInitialisation) {
    const Array<int> numbers(5);
    EXPECT_EQ(elements(numbers), std::vector<int>(5, 0));
    for (int i = 0; i < 5; ++i)
        numbers[i] = i * 10;
    EXPECT_EQ(elements(numbers.Slice(-2)), (std::vector<int>{30, 40}));
    EXPECT_EQ(numbers.Slice(0, 5).GetRep(), numbers.GetRep());
    EXPECT_EQ(numbers.Slice(3, 1).GetRep(), &Array<int>::nullRep);
    EXPECT_EQ(elements(numbers.Resize(7)), (std::vector<int>{0, 10, 20, 30, 40, 0, 0}));
    const Array<String> texts(2);
    EXPECT_EQ(texts[1].GetRep(), &String::nullRep);
    const Array<String> copy = texts;  // arrays are shared, not copied
    copy[0] = String("seen by both");
    EXPECT_EQ(texts[0], String("seen by both"));
}

}  // namespace
