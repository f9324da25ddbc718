#include "driver/options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tree/partitions.h"

namespace gadrin {
namespace {

// Runs the scan in a scratch folder that holds the files "seq" and "pop".
class CommandLine : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("gadrin-options-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    for (const char* name : {"seq", "pop", "123seq", "2"}) std::fclose(std::fopen(name, "w"));
    verbosity = 0;
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  Settings parse(std::vector<std::string> args) {
    args.insert(args.begin(), "gadrin");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return parse_command_line(static_cast<int>(argv.size()), argv.data());
  }

  std::filesystem::path dir_, previous_;
};

TEST_F(CommandLine, DefaultsAndGluedValues) {
  Settings s = parse({"seq", "-ppop"});
  EXPECT_EQ(s.seq_name, "seq");
  EXPECT_EQ(s.pop_name, "pop");
  EXPECT_EQ(s.report, stdout);
  EXPECT_EQ(s.method, 0);
  EXPECT_EQ(s.nboot, 0);
  EXPECT_GE(s.seed, 0);
  EXPECT_LT(s.seed, 3000);
  EXPECT_EQ(s.gamma, 1.0);
  EXPECT_EQ(s.codon, (std::array<int, 3>{1, 1, 1}));

  s = parse({"-d16", "-b100", "-s-5", "-ppop", "seq", "-g0.1", "-dxy", "-neg", "-oout"});
  EXPECT_EQ(s.method, 16);
  EXPECT_EQ(s.nboot, 100);
  EXPECT_EQ(s.seed, -5);
  EXPECT_EQ(s.gamma, 0.10000000149011612);  // single precision, widened
  EXPECT_EQ(s.use_dxy, 1);
  EXPECT_EQ(s.allow_neg, 1);
  EXPECT_NE(s.report, stdout);
  EXPECT_TRUE(std::filesystem::exists("out"));
}

TEST_F(CommandLine, ValuesThatAreNoNumberKeepTheSetting) {
  Settings s = parse({"seq", "-ppop", "-d4", "-dx", "-d", "-dxyz", "-b3", "-b", "-gabc", "-s9", "-s"});
  EXPECT_EQ(s.method, 4);
  EXPECT_EQ(s.nboot, 3);
  EXPECT_EQ(s.gamma, 1.0);
  EXPECT_EQ(s.seed, 9);
  EXPECT_EQ(s.use_dxy, 0);
}

TEST_F(CommandLine, ScanningSkipsWhiteSpaceAndStopsAtTheFirstNonDigit) {
  Settings s = parse({"seq", "-ppop", "-d 12abc", "-b+7x", "-g2.5e0z"});
  EXPECT_EQ(s.method, 12);
  EXPECT_EQ(s.nboot, 7);
  EXPECT_EQ(s.gamma, 2.5);
}

TEST_F(CommandLine, CodonPositions) {
  struct Case {
    std::vector<std::string> args;
    std::array<int, 3> codon;
  };
  const Case cases[] = {
      {{"-c1", "2", "seq", "-ppop"}, {1, 1, 0}},
      {{"-c", "1", "2", "seq", "-ppop"}, {1, 1, 0}},
      {{"-c3", "seq", "-ppop"}, {0, 0, 1}},
      {{"-c", "seq", "-ppop"}, {0, 0, 0}},
      {{"-c1", "-c2", "seq", "-ppop"}, {0, 1, 0}},
      {{"-c", "3x", "-ppop", "seq"}, {0, 0, 1}},
      {{"-c", "1", "seq", "2", "-ppop"}, {1, 0, 0}},  // the list ends at "seq"
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.args).codon, c.codon) << c.args[0] << " " << c.args[1];
}

TEST_F(CommandLine, CodonPositionOutsideOneToThreeIsRejected) {
  for (const char* bad : {"-c0", "-c12", "-c30"})
    EXPECT_EXIT(parse({"seq", "-ppop", bad}), testing::ExitedWithCode(1), "^invalid option\n$") << bad;
  // A following argument that begins with a digit 0..3 belongs to -c.
  EXPECT_EXIT(parse({"-c", "2", "123seq", "-ppop"}), testing::ExitedWithCode(1), "^invalid option\n$");
}

TEST_F(CommandLine, Verbosity) {
  (void)parse({"seq", "-ppop", "-u"});
  EXPECT_EQ(verbosity, 1);
  (void)parse({"seq", "-ppop", "-u2"});
  EXPECT_EQ(verbosity, 2);
  (void)parse({"seq", "-ppop", "-ux"});
  EXPECT_EQ(verbosity, 2);
}

TEST_F(CommandLine, LastOfRepeatedFilesCounts) {
  std::fclose(std::fopen("seq2", "w"));
  Settings s = parse({"seq", "-ppop", "seq2", "-pseq", "-oa", "-ob"});
  EXPECT_EQ(s.seq_name, "seq2");
  EXPECT_EQ(s.pop_name, "seq");
  EXPECT_TRUE(std::filesystem::exists("a"));
  EXPECT_TRUE(std::filesystem::exists("b"));
}

TEST_F(CommandLine, SeedLimits) {
  EXPECT_EQ(parse({"seq", "-ppop", "-s2147428874"}).seed, 2147428874);
  EXPECT_EQ(parse({"seq", "-ppop", "-s-2147483647"}).seed, -2147483647);
  for (const char* bad : {"-s2147428875", "-s-2147483648", "-s99999999999"})
    EXPECT_EXIT(parse({"seq", "-ppop", bad}), testing::ExitedWithCode(1), "^invalid option\n$")
        << bad;
}

}  // namespace
}  // namespace gadrin
