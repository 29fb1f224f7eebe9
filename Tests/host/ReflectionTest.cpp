#include "Reflection.h"
#include "Log.h"
#include "PropertyText.h"
#include "TestRecords.h"

#include <gtest/gtest.h>

using namespace host;
using namespace host::test;

TEST(Reflection, RegistryFindsTypesByPathName)
{
    RegisterStruct(FOuter::StaticStruct());
    RegisterEnum(ColourEnum());
    EXPECT_EQ(FindStruct("/Script/hosttest.Outer"), &FOuter::StaticStruct());
    EXPECT_EQ(FindEnum("/Script/hosttest.EColour"), &ColourEnum());
    UnregisterStruct(FOuter::StaticStruct());
    UnregisterEnum(ColourEnum());
    EXPECT_FALSE(FindStruct("/Script/hosttest.Outer"));
    EXPECT_FALSE(FindEnum("/Script/hosttest.EColour"));
}

TEST(Reflection, EnumLookupByNameDisplayNameAndValue)
{
    const auto& e = ColourEnum();
    EXPECT_EQ(e.FindByName("deep blue")->Value, 2);
    EXPECT_EQ(e.FindByName("DEEPBLUE")->Value, 2);
    EXPECT_EQ(e.FindByValue(1)->Name, "Green");
    EXPECT_FALSE(e.FindByValue(7));
    EXPECT_FALSE(e.FindByName("Purple"));
}

TEST(Reflection, PropertyTextRoundTripsAndRefusesBadValues)
{
    const auto& type = FTestSettings::StaticStruct();
    FTestSettings s;
    EXPECT_EQ(PropertyToText(*type.FindProperty("Colour"), &s), "Green");
    EXPECT_TRUE(PropertyFromText(*type.FindProperty("colour"), &s, "Deep Blue"));
    EXPECT_EQ(s.Colour, EColour::DeepBlue);
    EXPECT_TRUE(PropertyFromText(*type.FindProperty("Colour"), &s, "0"));
    EXPECT_EQ(s.Colour, EColour::Red);
    EXPECT_FALSE(PropertyFromText(*type.FindProperty("Colour"), &s, "9"));
    EXPECT_FALSE(PropertyFromText(*type.FindProperty("Enabled"), &s, "yes"));
    EXPECT_TRUE(PropertyFromText(*type.FindProperty("Enabled"), &s, "False"));
    EXPECT_EQ(PropertyToText(*type.FindProperty("Enabled"), &s), "false");
    EXPECT_FALSE(PropertyFromText(*type.FindProperty("Retries"), &s, "3x"));
    EXPECT_FALSE(PropertyFromText(*type.FindProperty("Retries"), &s, "99999999999"));
    EXPECT_EQ(s.Retries, 3);
    EXPECT_TRUE(PropertyFromText(*type.FindProperty("Ratio"), &s, "0.1"));
    EXPECT_EQ(PropertyToText(*type.FindProperty("Ratio"), &s), "0.1");

    FInner inner;
    const auto& ids = *FInner::StaticStruct().FindProperty("Ids");
    EXPECT_TRUE(PropertyFromText(ids, &inner, "(1, -2,3)"));
    EXPECT_EQ(PropertyToText(ids, &inner), "(1,-2,3)");
    EXPECT_TRUE(PropertyFromText(ids, &inner, "()"));
    EXPECT_TRUE(inner.Ids.empty());
}

TEST(Log, CategoriesRegisterAndFilterByVerbosity)
{
    {
        FLogCategory quiet("LogQuietTest", EVerbosity::Warning, EVerbosity::All);
        const auto all = RegisteredLogCategories();
        EXPECT_NE(std::find(all.begin(), all.end(), &quiet), all.end());
        EXPECT_NE(std::find(all.begin(), all.end(), &LogJson), all.end());
        EXPECT_TRUE(quiet.IsEnabled(EVerbosity::Error));
        EXPECT_FALSE(quiet.IsEnabled(EVerbosity::Log));
        testing::internal::CaptureStderr();
        host::Log(quiet, EVerbosity::Display, "hidden");
        host::Log(quiet, EVerbosity::Warning, "shown");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "LogQuietTest: Warning: shown\n");
    }
    for (const auto* c : RegisteredLogCategories())
    {
        EXPECT_STRNE(c->Name(), "LogQuietTest");
    }
}
