#include "vul/vul_arg.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

using status = vul_arg_parse_result::status;

// A writable, null-terminated argv like the one main() receives.
class command_line
{
public:
    command_line(std::initializer_list<const char*> args) : storage_(args.begin(), args.end())
    {
        for (std::string& arg : storage_)
        {
            pointers_.push_back(arg.data());
        }
        pointers_.push_back(nullptr);
        argc = static_cast<int>(storage_.size());
    }
    char** argv() { return pointers_.data(); }

    int argc;

private:
    std::vector<std::string> storage_;
    std::vector<char*> pointers_;
};

class VulArgTest : public testing::Test
{
protected:
    vul_arg_parse_result interpret(command_line&& line)
    {
        return list.interpret(line.argc, line.argv());
    }

    vul_arg_info_list list;
    vul_arg<std::string> name{list, "-name", "camera name", "none"};
    vul_arg<bool> verbose{list, "-verbose", "print every packet"};
    vul_arg<int> count{list, "-count", "frames to record", 3};
    vul_arg<unsigned> size{list, "-size", "buffer size", 7};
    vul_arg<double> ratio{list, "-ratio", "playback speed", 0.5};
};

TEST_F(VulArgTest, FillsEveryTypeAndKeepsOnlyUnrecognisedArguments)
{
    command_line line{"prog",  "-name", "cam", "-verbose", "-count", "-12",
                      "extra", "-size", "40",  "-ratio",   "2.5e1"};
    vul_arg_parse_result result = list.interpret(line.argc, line.argv());

    EXPECT_EQ(result.outcome, status::ok);
    EXPECT_EQ(name(), "cam");
    EXPECT_TRUE(verbose());
    EXPECT_EQ(count(), -12);
    EXPECT_EQ(size(), 40u);
    EXPECT_DOUBLE_EQ(ratio(), 25.0);
    EXPECT_EQ(result.unrecognised, std::vector<std::string>{"extra"});
    ASSERT_EQ(line.argc, 2);
    EXPECT_STREQ(line.argv()[1], "extra");
    EXPECT_EQ(line.argv()[2], nullptr);
}

TEST_F(VulArgTest, SetMeansPresentWhateverTheValue)
{
    EXPECT_EQ(interpret({"prog", "-count", "1", "-name", "", "-count", "3"}).outcome, status::ok);

    EXPECT_TRUE(name.set());
    EXPECT_EQ(name(), "");
    EXPECT_TRUE(count.set()) << "set even though the last value equals the default";
    EXPECT_EQ(count(), 3);
    EXPECT_FALSE(verbose.set());
    EXPECT_FALSE(verbose());
    EXPECT_FALSE(ratio.set());
    EXPECT_DOUBLE_EQ(ratio(), 0.5);
}

TEST_F(VulArgTest, RejectsValuesThatAreNotWhollyValid)
{
    for (auto [option, value] : {std::pair{"-count", "12x"},
                                 {"-count", ""},
                                 {"-size", "-1"},
                                 {"-count", "99999999999"},
                                 {"-ratio", "fast"}})
    {
        vul_arg_parse_result result = interpret({"prog", option, value});
        EXPECT_EQ(result.outcome, status::error) << option << " " << value;
        EXPECT_NE(result.error.find(std::string(option) + ": '" + value + "'"), std::string::npos)
            << result.error;
    }
    EXPECT_EQ(count(), 3);
    EXPECT_FALSE(count.set());
}

TEST_F(VulArgTest, ValuedOptionAsLastArgumentIsAnError)
{
    vul_arg_parse_result result = interpret({"prog", "-verbose", "-size"});
    EXPECT_EQ(result.outcome, status::error);
    EXPECT_EQ(result.error, "option -size needs a value");
}

TEST_F(VulArgTest, HelpRequestAnywhereWinsOverErrors)
{
    EXPECT_EQ(interpret({"prog", "-count", "bad", "--help"}).outcome, status::help);
    EXPECT_EQ(interpret({"prog", "-?", "-size"}).outcome, status::help);
}

TEST_F(VulArgTest, HelpListsEveryOptionInAlignedColumns)
{
    std::ostringstream out;
    list.display_help(out, "prog");
    const std::string text = out.str();

    EXPECT_EQ(text.rfind("Usage: prog [options]\n", 0), 0u) << text;
    for (const char* expected :
         {"-name", "<string>", "camera name", "[\"none\"]", "-verbose", "[off]", "<int>", "[3]",
          "<unsigned>", "[7]", "<double>", "[0.5]", "--help"})
    {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " missing from\n" << text;
    }
    auto column = [&text](const char* cell)
    { return text.find(cell) - text.rfind('\n', text.find(cell)); };
    EXPECT_EQ(column("camera name"), column("print every packet"));
    EXPECT_EQ(column("[\"none\"]"), column("[off]"));
}

TEST_F(VulArgTest, WarnsOnceForEachUnrecognisedArgumentUnlessSilenced)
{
    command_line loud{"prog", "foo", "-count", "2", "-bar"};
    testing::internal::CaptureStderr();
    list.parse(loud.argc, loud.argv());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "vul_arg_parse: unrecognised argument 'foo' ignored\n"
              "vul_arg_parse: unrecognised argument '-bar' ignored\n");

    command_line quiet{"prog", "foo"};
    testing::internal::CaptureStderr();
    list.parse(quiet.argc, quiet.argv(), false);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(quiet.argc, 2);
}

TEST(VulArgDefaultListTest, OptionsJoinAndLeaveTheDefaultListWithTheirLifetime)
{
    const auto& options = vul_arg_default_list().options();
    const std::size_t before = options.size();
    {
        vul_arg<int> port("-port", "listening port", 8666);
        ASSERT_EQ(options.size(), before + 1);
        EXPECT_EQ(options.back(), &port);
    }
    EXPECT_EQ(options.size(), before);
}

// Death tests run first when their suite name says so.
using VulArgDeathTest = VulArgTest;

TEST_F(VulArgDeathTest, HelpPrintsToStdoutAndExitsWithZero)
{
    command_line line{"prog", "-count", "2", "-?"};
    // Death tests match only standard error, so the child sends its stdout there.
    EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), list.parse(line.argc, line.argv())),
                testing::ExitedWithCode(0), "Usage: prog \\[options\\].*-count +<int> +frames");
}

TEST_F(VulArgDeathTest, BadValueInTheDefaultListExitsWithOneAndPointsAtHelp)
{
    vul_arg<int> port("-port", "listening port", 8666);
    command_line line{"prog", "-port", "80a"};
    char** argv = line.argv();
    EXPECT_EXIT(vul_arg_parse(line.argc, argv), testing::ExitedWithCode(1),
                "^vul_arg_parse: option -port: '80a' is not a valid int\nRun 'prog --help'");
}

} // namespace
