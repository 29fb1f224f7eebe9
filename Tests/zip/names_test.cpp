#include "names.h"

#include <gtest/gtest.h>

using namespace zipengine;

TEST(ZipNames, MethodRuleLooksOnlyAfterTheLastDot)
{
    for (const auto* stored :
         {u"Data/Readme.ZIP", u"pack.tar.gz", u"x.tgz", u"a.Z", u"a.z", u"b.ARJ", u"c.lzh"})
        EXPECT_EQ(method_for_name(stored), 0) << static_cast<int>(stored[0]);
    for (const auto* deflated : {u"notes.txt", u"Makefile", u"old.zip/readme", u"zip", u"a.gzip"})
        EXPECT_EQ(method_for_name(deflated), 8) << static_cast<int>(deflated[0]);
}

TEST(ZipNames, CleaningDropsDrivesLeadingSeparatorsAndClimbs)
{
    EXPECT_EQ(clean_name(u"C:\\Data\\a.txt"), u"Data\\a.txt");
    EXPECT_EQ(clean_name(u"\\Data\\a.txt"), u"Data\\a.txt");
    EXPECT_EQ(clean_name(u"/Data/a.txt"), u"Data/a.txt");
    EXPECT_EQ(clean_name(u"x/../y/z.txt"), u"y/z.txt");
    EXPECT_EQ(clean_name(u"C:/x/../y"), u"y");
    EXPECT_EQ(clean_name(u"//\\a"), u"a");
    EXPECT_EQ(clean_name(u"a\\..\\b/../c"), u"c");
    EXPECT_EQ(clean_name(u"plain/name.txt"), u"plain/name.txt");
}

TEST(ZipNames, CleanedNamesThatStillClimbAreDetected)
{
    // Cleaning alone leaves these climbing; extraction must refuse them.
    EXPECT_EQ(clean_name(u"../x"), u"../x");
    EXPECT_EQ(clean_name(u"/../x"), u"../x");
    EXPECT_EQ(clean_name(u"C:/../x"), u"../x");
    EXPECT_EQ(clean_name(u"a/b/../../c"), u"../c");
    for (const auto* name : {u"../x", u"..\\x", u"..", u"a/../../x", u"./../x", u"a\\..\\..\\x"})
        EXPECT_TRUE(climbs_out(name));
    for (const auto* name : {u"x", u"a/../x", u"a/b/../../c", u"..x/y", u"x../y", u"a/./b", u"...", u""})
        EXPECT_FALSE(climbs_out(name));
}

TEST(ZipNames, AbsoluteTargetsStartWithASeparator)
{
    EXPECT_TRUE(is_absolute(u"/tmp/x"));
    EXPECT_TRUE(is_absolute(u"\\tmp\\x"));
    EXPECT_FALSE(is_absolute(u"C:x")); // no drives here: stays below the base folder
    EXPECT_FALSE(is_absolute(u"a/b"));
}
