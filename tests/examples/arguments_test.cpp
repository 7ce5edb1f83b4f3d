// The example program's shared pieces: number parsing, JSON writing and output files.
#include <gtest/gtest.h>

#include "meshanalysis/Command.h"
#include "meshanalysis/JsonWriter.h"
#include "meshanalysis/NumberArguments.h"
#include "meshanalysis/OutputFile.h"
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

TEST(NumberArguments, AcceptWholeFiniteNumbersInRangeAndNameTheOptionOtherwise)
{
    EXPECT_EQ(ParseNumber("--x", "2.5", 0, 3), 2.5);
    EXPECT_EQ(ParseNumber("--x", "3", 0, 3), 3.0); // both ends included
    EXPECT_EQ(ParseNumber("--x", "-1e-3", -1, 0), -0.001);
    for (char const* bad : {"", " 1", "1 ", "1x", "nan", "inf", "3.0001", "0x", "--1"})
    {
        try
        {
            ParseNumber("--x", bad, 0, 3);
            ADD_FAILURE() << "accepted '" << bad << "'";
        }
        catch (UsageError const& e)
        {
            EXPECT_EQ(std::string(e.what()).rfind("--x: ", 0), 0u) << e.what();
        }
    }
    EXPECT_EQ(ParseWholeNumber("--n", "7", 1, 10), 7);
    EXPECT_THROW(ParseWholeNumber("--n", "7.5", 1, 10), UsageError);
    EXPECT_THROW(ParseWholeNumber("--n", "11", 1, 10), UsageError);
    EXPECT_EQ(ParseNumberList("--move", "1,-2,3.5", 3), (std::vector<double>{1, -2, 3.5}));
    EXPECT_THROW(ParseNumberList("--move", "1,2", 3), UsageError);
    EXPECT_THROW(ParseNumberList("--move", "1,,3", 3), UsageError);
    EXPECT_THROW(ParseLengthMm("--tolerance", "-0.1"), UsageError);
}

TEST(JsonWriter, WritesNestedValuesWithCommasEscapesAndNullForNonFiniteNumbers)
{
    std::ostringstream out;
    JsonWriter json(out);
    json.BeginObject();
    json.Field("name", std::string("a \"b\"\\\n\x01"));
    json.Field("count", 3);
    json.Field("share", 0.1);
    json.Field("none", std::numeric_limits<double>::quiet_NaN());
    json.Field("flag", true);
    json.Key("pairs");
    json.BeginArray();
    json.BeginArray();
    json.Value(1);
    json.Value(0);
    json.EndArray();
    json.BeginObject();
    json.EndObject();
    json.EndArray();
    json.EndObject();
    EXPECT_EQ(out.str(),
              "{\"name\":\"a \\\"b\\\"\\\\\\n\\u0001\",\"count\":3,\"share\":0.1,\"none\":null,\"flag\":true,"
              "\"pairs\":[[1,0],{}]}\n");
}

TEST(OutputFile, IsOpenedAtOnceRemovedUnlessKeptAndRefusedWhenItCannotBeWritten)
{
    std::string const path = ::testing::TempDir() + "vz-output-file-test.txt";
    {
        OutputFile file(path);
        EXPECT_TRUE(std::ifstream(path).good());
        file.Stream() << "half";
    }
    EXPECT_FALSE(std::ifstream(path).good()); // not kept: a stopped run leaves nothing behind
    {
        OutputFile file(path);
        file.Stream() << "whole";
        file.Keep();
    }
    std::ifstream in(path);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "whole");
    std::remove(path.c_str());

    // A missing folder's one-line message is checked in meshanalysis_cli_test.sh.
    EXPECT_THROW(OutputFile(::testing::TempDir()), std::runtime_error); // a folder
    EXPECT_THROW(OutputFile(""), UsageError);
}
