#include "config/xml_parser.h"

#include <gtest/gtest.h>

#include "config/xml_entities.h"
#include "config/xml_path_index.h"

namespace pelko {
namespace {

TEST(XmlParser, AcceptsAndRefusesDocuments) {
    struct Case {
        const char* text;
        bool ok;
    };
    const Case cases[] = {
        {"<a/>", true},
        {"<a></a>", true},
        {"  <a />", true},
        {"<?xml version=\"1.0\"?>\r\n\r\n<a/>", true},
        {"<?xml?><?xml?><a/>", false},          // only one declaration is skipped
        {"<!-- c --><a/>", false},
        {"<a><!-- c --></a>", false},
        {"<a/>garbage < > &", true},            // nothing after the document is read
        {"<a x=1 y='2' z=\"3\"/>", true},
        {"<a x=\"1\"y=\"2\"/>", true},
        {"<a x = \"1\"/>", true},
        {"<a x=1/>", true},
        {"<a x/>", false},
        {"<a x=/>", false},
        {"<a x=\"1/>", false},
        {"<a x=1\"/>", false},
        {"<a>1/2</a>", false},
        {"<a>1>2</a>", false},
        {"<a>\"1/2\"</a>", true},
        {"<a>'1<2'</a>", true},
        {"<a>\"open</a>", false},
        {"<a>x &amp; y</a>", true},
        {"<a>x & y</a>", false},
        {"<a>&unknown;</a>", false},
        {"<a>\"&bad;\"</a>", false},
        {"<a></ a>", true},
        {"<a>< /a >", true},
        {"<a></A>", false},
        {"<a><b></a></b>", false},
        {"<a>", false},
        {"<a", false},
        {"<a b", false},
        {"<a b=\"1\"", false},
        {"<a/ >", true},
        {"<a / x>", false},
        {"<\"a\"/>", false},
        {"<a=/>", false},
        {"<>", false},
        {"</a>", false},
        {"", false},
        {"text<a/>", false},
        {"<a><b/><c x='1'>t</c></a>", true},
        {"<a></a/>", false},
        {"<a x='1' / >", true},
        {"<a>\"x\" y \"z\"</a>", true},
    };
    for (const Case& c : cases) {
        TSimpleXMLParser p;
        EXPECT_EQ(p.Parse(c.text), c.ok) << c.text;
        EXPECT_EQ(p.Root() != nullptr, c.ok) << c.text;
    }
}

TEST(XmlParser, FailureEmptiesTheTreeOfAnEarlierParse) {
    TSimpleXMLParser p;
    ASSERT_TRUE(p.Parse("<a x='1'><b/></a>"));
    ASSERT_TRUE(p.SelectNode("b"));
    EXPECT_FALSE(p.Parse("<a><b></a>"));
    EXPECT_FALSE(p.SelectNode("/"));
    EXPECT_EQ(p.CountNodes("/"), 0);
    EXPECT_EQ(p.GetAttribute("x"), "");
    EXPECT_EQ(p.ContentText(), "");
}

TEST(XmlParser, AttributesKeepOrderAndRawValues) {
    TSimpleXMLParser p;
    ASSERT_TRUE(p.Parse("<a x=1 y='2' z=\"3\" e=\"&amp;\" q='say \"hi\"' x=\"dup\" empty=\"\"/>"));
    const char* names[] = {"x", "y", "z", "e", "q", "x", "empty"};
    const char* values[] = {"1", "2", "3", "&amp;", "say \"hi\"", "dup", ""};
    int i = 0;
    for (const TXMLAttribute* a = p.Root()->Attributes; a != nullptr; a = a->Next, ++i) {
        ASSERT_LT(i, 7);
        EXPECT_EQ(a->Name(), names[i]);
        EXPECT_EQ(a->Value(), values[i]);
    }
    EXPECT_EQ(i, 7);
    EXPECT_EQ(p.GetAttribute("x"), "1");  // the first of two
    EXPECT_EQ(p.GetAttribute("q"), "say \"hi\"");
    EXPECT_EQ(p.GetAttribute("none"), "");
}

TEST(XmlParser, TextContentInBothSpaceModes) {
    struct Case {
        const char* doc;
        TSpaces mode;
        const char* text;
    };
    const Case cases[] = {
        {"<a>\r\n   x  y   </a>", spStrip, "x y"},
        {"<a>\r\n   x  y   </a>", spPreserve, "x  y  "},
        {"<a>x &amp; y &lt;&gt;&quot;&apos;&slash;</a>", spStrip, "x & y <>\"'/"},
        {"<a>\"1/2\"</a>", spStrip, "\"1/2\""},
        {"<a>'a  &amp;  <b>'</a>", spStrip, "'a  &  <b>'"},
        {"<a>x\t\ty</a>", spStrip, "x\ty"},
        {"<a> </a>", spPreserve, ""},
    };
    for (const Case& c : cases) {
        TSimpleXMLParser p;
        p.SetSpaces(c.mode);
        ASSERT_TRUE(p.Parse(c.doc)) << c.doc;
        EXPECT_EQ(p.ContentText(), c.text) << c.doc;
    }
}

// Other programs' files: text as XML keeps it, the program's dialect untouched.
TEST(XmlParser, StandardMarkupKeepsTextAsWritten) {
    struct Case {
        const char* text;
        const char* content;  // nullptr: refused
    };
    const Case cases[] = {
        {"<a>1/2 > 0</a>", "1/2 > 0"},
        {"<a>'=x \"q\"</a>", "'=x \"q\""},
        {"<a>  two  blanks  </a>", "  two  blanks  "},
        {"<a>&#1048;&#x432;&#X430;&#1085;&amp;&lt;</a>", "Иван&<"},
        {"<a>a\r\nb\rc&#13;</a>", "a\nb\nc\r"},
        {"<a>x<!-- a <b> -->y<?pi z?><![CDATA[<&>]]></a>", "xy<&>"},
        {"<?xml version=\"1.0\"?><!-- c --><?pi?>\n<a>t</a>", "t"},
        {"<a>&#xD800;</a>", nullptr},
        {"<a>&#12</a>", nullptr},
        {"<a>&nbsp;</a>", nullptr},
        {"<a><!-- open</a>", nullptr},
        {"<a><![CDATA[x</a>", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TSimpleXMLParser p;
        p.SetMarkup(mkStandard);
        ASSERT_EQ(p.Parse(c.text), c.content != nullptr);
        if (c.content == nullptr) continue;
        EXPECT_EQ(p.ContentText(), c.content);
        // The program's own dialect still refuses or strips these.
        TSimpleXMLParser own;
        EXPECT_FALSE(own.Parse(c.text) && own.ContentText() == c.content);
    }
}

TEST(XmlParser, TextAndElementsMixInDocumentOrder) {
    TSimpleXMLParser p;
    ASSERT_TRUE(p.Parse("<r>one<b k='v'>two</b>three<c/></r>"));
    const TXMLNode* n = p.Root()->FirstChild;
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->NodeKind, nkText);
    EXPECT_EQ(n->Text(), "one");
    n = n->Next;
    EXPECT_EQ(n->NodeKind, nkElement);
    EXPECT_EQ(n->Name(), "b");
    EXPECT_EQ(n->FirstChild->Text(), "two");
    n = n->Next;
    EXPECT_EQ(n->Text(), "three");
    EXPECT_EQ(n->Next->Name(), "c");
    EXPECT_EQ(n->Next->Next, nullptr);
    EXPECT_EQ(p.ContentText(), "one<b k=\"v\">two</b>three<c/>");
}

class XmlPaths : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(p.Parse("<doc><Devices>t<Device n='0'/><Other/><Device n='1'><Cards><Card/><Card/></Cards>"
                            "</Device><Device n='2'/></Devices><Single/></doc>"));
    }
    TSimpleXMLParser p;
};

TEST_F(XmlPaths, SelectNodeFollowsNamesIndexesAndWildcards) {
    struct Case {
        const char* path;
        bool found;
        const char* n;  // attribute n of the element found
    };
    const Case cases[] = {
        {"/Devices/Device", true, "0"},
        {"/Devices/Device[1]", true, "1"},
        {"/Devices/Device[2]", true, "2"},
        {"/Devices/Device[1.9]", true, "1"},
        {"/Devices/Device[2e0]", true, "2"},
        {"/Devices/Device[-0.5]", true, "0"},
        {"  /Devices/Device[1]/  ", true, "1"},
        {"/Devices/*[1]", true, ""},        // Other
        {"/Devices/*[2]", true, "1"},
        {"/Devices/Device[3]", false, nullptr},
        {"/Devices/Device[]", false, nullptr},
        {"/Devices/Device[x]", false, nullptr},
        {"/Devices/Device[1", false, nullptr},
        {"/Devices/Device[-1]", false, nullptr},
        {"/Devices/Device[99999999999999999999999]", false, nullptr},
        {"/Devices//Device", false, nullptr},
        {"/devices", false, nullptr},
        {"/doc", false, nullptr},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(p.SelectNode("/"));
        EXPECT_EQ(p.SelectNode(c.path), c.found) << c.path;
        if (c.found) {
            EXPECT_EQ(p.GetAttribute("n"), c.n) << c.path;
        }
    }
}

TEST_F(XmlPaths, RelativePathsStartAtCurrentAndFailuresKeepIt) {
    ASSERT_TRUE(p.SelectNode("/Devices/Device[1]"));
    EXPECT_TRUE(p.SelectNode("Cards/Card[1]"));
    EXPECT_EQ(p.Current()->Name(), "Card");
    ASSERT_TRUE(p.SelectNode("/Devices/Device[2]"));
    EXPECT_FALSE(p.SelectNode("Cards"));
    EXPECT_EQ(p.GetAttribute("n"), "2");  // still the element selected before
    EXPECT_TRUE(p.SelectNode(""));
    EXPECT_EQ(p.GetAttribute("n"), "2");
    EXPECT_TRUE(p.SelectNode("/"));
    EXPECT_EQ(p.Current(), p.Root());
}

TEST_F(XmlPaths, CountNodesCountsFromTheFirstMatch) {
    struct Case {
        const char* base;
        const char* path;
        int count;
    };
    const Case cases[] = {
        {"/Devices", "Device", 3},
        {"/Devices", "Device[0]", 1},
        {"/Devices", "Device[2]", 1},
        {"/Devices", "*", 4},
        {"/Devices", "Missing", 0},
        {"/", "/Devices/Device[1]/Cards/Card", 2},
        {"/", "/", 1},
        {"/", "", 1},
        {"/", "Single", 1},
        {"/", "/Devices/Device[5]", 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(p.SelectNode(c.base));
        EXPECT_EQ(p.CountNodes(c.path), c.count) << c.base << " " << c.path;
    }
}

TEST(XmlEntities, DecodeEntityMovesOnlyPastWholeEntities) {
    struct Case {
        const char* text;
        std::size_t pos;
        const char* out;
        std::size_t after;
    };
    const Case cases[] = {
        {"&quot;", 1, "\"", 7}, {"x&amp;", 2, "&", 7}, {"&apos;&gt;", 7, ">", 11},
        {"&lt", 1, "", 1},      {"&slash;", 1, "/", 8}, {"&nbsp;", 1, "", 1},
        {"&", 1, "", 1},        {"abc", 9, "", 9},
    };
    for (const Case& c : cases) {
        std::size_t pos = c.pos;
        EXPECT_EQ(DecodeEntity(c.text, pos), c.out) << c.text;
        EXPECT_EQ(pos, c.after) << c.text;
    }
    EXPECT_EQ(DecodeEntities("a&amp;b & c&x;&lt;"), "a&b & c&x;<");
}

TEST(XmlPathIndex, ParsesDecimalNumbersAndCutsFractions) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> value;
    };
    const Case cases[] = {
        {"0", 0},       {"12", 12},   {"+3", 3},     {"-1", -1},     {"1.9", 1},     {".5", 0},
        {"5.", 5},      {"2e1", 20},  {"25e-1", 2},  {"1e-400", 0},  {"0001", 1},    {"", std::nullopt},
        {"x", std::nullopt},          {"1 ", std::nullopt},          {"e5", std::nullopt},
        {"1e", std::nullopt},         {".", std::nullopt},           {"1,5", std::nullopt},
        {"1e99999999999999999999", INT64_MAX},
    };
    for (const Case& c : cases) EXPECT_EQ(ParsePathIndex(c.text), c.value) << c.text;
}

TEST(XmlParser, DeepNestingNeedsNoDeepStack) {
    std::string doc;
    const int depth = 200000;
    for (int i = 0; i < depth; ++i) doc += "<a>";
    for (int i = 0; i < depth; ++i) doc += "</a>";
    TSimpleXMLParser p;
    ASSERT_TRUE(p.Parse(doc));
    // Without its own tags, and the innermost empty element written as <a/>.
    EXPECT_EQ(p.ContentText().size(), doc.size() - 7 - 3);
}

}  // namespace
}  // namespace pelko
