#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Arguments.h"

namespace cli {
namespace {

using Words = std::vector<std::string>;

TEST(ArgumentsTest, CommandsTakeTheirTablesAndOptionsAnywhere) {
  const Arguments send = ParseArguments({"--server=ORCL", "send-to-oracle", "a", "--overwrite", "yes", "b", "--folder",
                                         "/d", "--verify", "--quiet", "--fast"});
  EXPECT_EQ(send.command, Command::SendToOracle);
  EXPECT_EQ(send.tables, (Words{"a", "b"}));
  EXPECT_EQ(send.server, "ORCL");
  EXPECT_EQ(send.freeTableFolder, "/d");
  EXPECT_FALSE(send.dbcFile.has_value());
  EXPECT_FALSE(send.user.has_value());
  EXPECT_EQ(send.overwrite, Overwrite::Yes);
  EXPECT_TRUE(send.verify && send.quiet && send.fast);

  const Arguments rename = ParseArguments({"rename-oracle", "--", "-old-", "NEW"});
  EXPECT_EQ(rename.command, Command::RenameOracle);
  EXPECT_EQ(rename.tables, (Words{"-old-", "NEW"}));
  EXPECT_EQ(ParseArguments({"delete-foxpro", "--yes", "t"}).confirmDelete, true);
  EXPECT_EQ(ParseArguments({"list", "--help"}).command, Command::Help);
  EXPECT_EQ(ParseArguments({"--version"}).command, Command::Version);
  EXPECT_EQ(ParseArguments({"list"}).overwrite, Overwrite::Default);
  EXPECT_EQ(ParseArguments({"list", "-h"}).command, Command::Help);
  EXPECT_EQ(ParseArguments({"-V"}).command, Command::Version);
}

TEST(ArgumentsTest, TablesKeepTheTypedOrderAndTheNewOptionsTheirValues) {
  const Arguments typed = ParseArguments({"send-to-foxpro", "Z", "--keep-types", "A", "--dry-run", "M", "--codepage",
                                          "1252", "--source-codepage=850", "--max-reports", "3", "--summary=tsv"});
  EXPECT_EQ(typed.tables, (Words{"Z", "A", "M"}));
  EXPECT_EQ(typed.keepTypes, true);
  EXPECT_TRUE(typed.dryRun);
  EXPECT_EQ(typed.codePage, 1252);
  EXPECT_EQ(typed.sourceCodePage, 850);
  EXPECT_EQ(typed.maxReports, 3);
  EXPECT_EQ(typed.summary, Summary::Tsv);
  const Arguments plain = ParseArguments({"--text-types", "send-to-oracle", "t"});
  EXPECT_EQ(plain.keepTypes, false);
  EXPECT_EQ(plain.maxReports, 10);
  EXPECT_EQ(plain.summary, Summary::Text);
  EXPECT_FALSE(ParseArguments({"list"}).keepTypes.has_value());
  EXPECT_EQ(ParseArguments({"--driver", "Oracle 21", "list"}).driver, "Oracle 21");
  EXPECT_EQ(ParseArguments({"--dsn=ORCL", "list"}).dsn, "ORCL");
}

TEST(ArgumentsTest, MistakesAreUsageErrors) {
  for (const Words& bad : std::vector<Words>{
           {},
           {"copy", "a"},
           {"list", "a"},
           {"send-to-oracle"},
           {"rename-oracle", "a"},
           {"rename-foxpro", "a", "b", "c"},
           {"--overwrite=maybe", "send-to-oracle", "a"},
           {"send-to-oracle", "a", "--server"},
           {"--verify", "delete-oracle", "a"},
           {"--fast", "send-to-foxpro", "a"},
           {"--dbc", "x.dbc", "--folder", "/d", "list"},
           {"--yes=no", "delete-oracle", "a"},
           {"-v", "list"},
           {"--codepage", "1257", "send-to-foxpro", "a"},
           {"--source-codepage=abc", "send-to-oracle", "a"},
           {"--codepage"},
           {"--keep-types", "--text-types", "send-to-oracle", "a"},
           {"--max-reports", "-1", "list"},
           {"--summary=csv", "list"},
           {"--keep-types", "delete-oracle", "a"},
           {"--codepage=1252", "list"},
           {"--driver", "d", "--dsn", "s", "list"},
           {"list", "--", "-x"},
           // The password would be readable by every user of the machine in the process list.
           {"--password=tiger", "list"},
       }) {
    EXPECT_THROW(ParseArguments(bad), UsageError) << ::testing::PrintToString(bad);
  }
}

}  // namespace
}  // namespace cli
