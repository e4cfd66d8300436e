// The statement scanner.
#include <gtest/gtest.h>

#include "evaltest.h"

using namespace evaltest;

namespace {

// Tokens as "KIND[expression]" joined by blanks.
std::string Scan(std::vector<std::string> lines) {
  static const char* names[] = {"ASSIGN", "SEMI",  "FOR",     "TO",     "DOWNTO", "DO", "BEGIN",
                                "END",    "WHILE", "REPEAT",  "UNTIL",  "BREAK",  "IF", "THEN",
                                "ELSE",   "TRY",   "FINALLY", "EXCEPT", "EOF"};
  TParserScanner sc(std::move(lines));
  std::string out;
  for (int guard = 0; guard < 100; ++guard) {
    TToken t = sc.NextToken();
    if (!out.empty()) out += ' ';
    out += std::string(names[int(t)]) + "[" + sc.ExprText() + "]";
    if (t == TToken::Eof) break;
  }
  return out;
}

struct ScanCase {
  const char* name;
  std::vector<std::string> lines;
  std::string expected;
};
void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class Scanner : public testing::TestWithParam<ScanCase> {};

TEST_P(Scanner, Tokens) { EXPECT_EQ(Scan(GetParam().lines), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, Scanner,
    testing::Values(ScanCase{"PlainExpressionAcrossLines", {"f1 +", "  f2 * 0.5"}, "EOF[f1 +   f2 * 0.5]"},
                    ScanCase{"TwoAssignments", {"a := 1; b := a + 2"}, "ASSIGN[a] SEMI[1] ASSIGN[b] EOF[a + 2]"},
                    ScanCase{"KeywordsAnyCase", {"iF x tHeN y := 1"}, "IF[] THEN[x] ASSIGN[y] EOF[1]"},
                    ScanCase{"NoKeywordInsideIdentifier", {"IFX := DOX + ENDING"}, "ASSIGN[IFX] EOF[DOX + ENDING]"},
                    ScanCase{
                        "NoKeywordInsideString", {"x := \"if then; := end\""}, "ASSIGN[x] EOF[\"if then; := end\"]"},
                    ScanCase{"LineComment", {"x := 5 // the rest", "  "}, "ASSIGN[x] EOF[5]"},
                    ScanCase{"BraceComment", {"x := {a", "comment} 7;"}, "ASSIGN[x] SEMI[7] EOF[]"},
                    ScanCase{"UnterminatedBrace", {"x := 1 { open"}, "ASSIGN[x] EOF[1]"},
                    ScanCase{"StringAcrossLines", {"x := \"ab", "cd\""}, "ASSIGN[x] EOF[\"ab cd\"]"},
                    ScanCase{"ColonSlashTabAreText", {"a:b\t/ c"}, "EOF[a:b / c]"}, ScanCase{"NoLines", {}, "EOF[]"}),
    [](const testing::TestParamInfo<ScanCase>& i) { return std::string(i.param.name); });

TEST(Scanner, UnterminatedStringRaises) {
  TParserScanner sc({"x := \"abc", "def"});
  sc.NextToken();
  try {
    sc.NextToken();
    FAIL() << "no error";
  } catch (const ESyntaxError& e) {
    EXPECT_EQ(e.Message(), "The string exceeds the end of the script. Expression: ");
  }
}

TEST(Scanner, StatementTextAndPositions) {
  TParserScanner sc({"x := 1;", "  IF y THEN"});
  sc.NextToken();
  EXPECT_EQ(sc.LineIndex(), 0);
  EXPECT_EQ(sc.TokenStart(), 2);
  sc.NextToken();
  EXPECT_EQ(sc.StatementText(), "x := 1");
  EXPECT_EQ(sc.StatementText(true), "x := 1 ;");
  sc.ClearStatement();
  sc.NextToken();
  EXPECT_EQ(sc.LineIndex(), 1);
  EXPECT_EQ(sc.TokenStart(), 2);
  EXPECT_EQ(sc.TokenText(), "IF");
  sc.NextToken();
  EXPECT_EQ(sc.StatementText(true), "IF y THEN");
}

}  // namespace
