// The stand-in host's element trees themselves, and their file form.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/binds/xml.h"
#include "host/files/xml_file.h"

namespace {

TEST(XmlElementTree, FreesDeepAndWideTreesWithoutRecursion) {
    auto root = std::make_unique<host::XmlElement>("deep");
    host::XmlElement* tip = root.get();
    for (int i = 0; i < 200000; ++i) tip = &tip->AppendChild("level");
    for (int i = 0; i < 200000; ++i) tip->AppendChild("leaf");
    ASSERT_TRUE(host::XmlElement::IsLive(tip));
    root.reset();
    EXPECT_FALSE(host::XmlElement::IsLive(tip));
}

TEST(XmlFileForm, WritingAndParsingGivesTheSameTree) {
    host::XmlElement root("settings");
    host::XmlElement& section = root.AppendChild("Plugin-7C4B21D9-3E8A6F12");
    section.AppendChild("PosX").SetText(" 7");
    section.AppendChild("blank").SetText("   ");
    section.AppendChild("escapes").SetText("a < b & c > \"d\" ]]> \r\n\ttab");
    host::XmlElement& mixed = section.AppendChild("mixed");
    mixed.SetText("text before children");
    mixed.SetAttribute("visible", "true");
    mixed.SetAttribute("quote", "\"<&>'\n\r\t");
    mixed.AppendChild("name").SetText("caf\xC3\xA9");
    mixed.AppendChild("empty");

    std::string error;
    std::unique_ptr<host::XmlElement> read = host::ParseXml(host::WriteXml(root), &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->Name(), "settings");
    host::XmlElement* copy = read->FindChild("Plugin-7C4B21D9-3E8A6F12");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->ChildCount(), 4u);
    EXPECT_EQ(copy->FindChild("PosX")->Text(), " 7");
    EXPECT_EQ(copy->FindChild("blank")->Text(), "   ");
    EXPECT_EQ(copy->FindChild("escapes")->Text(), "a < b & c > \"d\" ]]> \r\n\ttab");
    host::XmlElement* mixed_copy = copy->FindChild("mixed");
    EXPECT_EQ(mixed_copy->Text(), "text before children");
    EXPECT_EQ(mixed_copy->Attributes(), mixed.Attributes());
    ASSERT_EQ(mixed_copy->ChildCount(), 2u);
    EXPECT_EQ(mixed_copy->FirstChild()->Text(), "caf\xC3\xA9");
    EXPECT_EQ(mixed_copy->LastChild()->Name(), "empty");
    EXPECT_EQ(mixed_copy->LastChild()->Text(), "");
}

TEST(XmlFileForm, MalformedTextIsRefusedWithItsPlace) {
    std::string error;
    EXPECT_FALSE(host::ParseXml("<settings>\n  <pluginsettings>\n</settings>", &error));
    EXPECT_NE(error.find("at line 3, column "), std::string::npos) << error;
    EXPECT_FALSE(host::ParseXml("", &error));
    EXPECT_FALSE(host::ParseXml("not xml at all", &error));
}

}  // namespace
