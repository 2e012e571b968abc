#include "engine/FieldDef.h"

#include <gtest/gtest.h>

#include "engine/DatabaseError.h"

namespace vorn {
namespace {

struct ClauseCase {
  TFieldType Type;
  int Size;
  const char* Clause;
};

const ClauseCase kClauses[] = {
    {ftString, 40, "CHAR(40)"},      {ftSmallint, 0, "SMALLINT"},   {ftInteger, 0, "INTEGER"},
    {ftWord, 0, "WORD"},             {ftBoolean, 0, "BOOLEAN"},     {ftFloat, 0, "NUMERIC"},
    {ftCurrency, 0, "MONEY"},        {ftBCD, 4, "BCD(4)"},          {ftDate, 0, "DATE"},
    {ftTime, 0, "TIME"},             {ftDateTime, 0, "TIMESTAMP"},  {ftBytes, 16, "BYTES(16)"},
    {ftVarBytes, 8, "VARBYTES(8)"},  {ftAutoInc, 0, "AUTOINC"},     {ftBlob, 10, "BLOB(10,2)"},
    {ftMemo, 240, "BLOB(240,1)"},    {ftGraphic, 0, "BLOB(0,5)"},   {ftFmtMemo, 1, "BLOB(1,3)"},
    {ftTypedBinary, 7, "BLOB(7,4)"},
};

TEST(FieldDefTest, EveryTypeHasAClauseThatReadsBackExactly) {
  for (const ClauseCase& c : kClauses) {
    SCOPED_TRACE(c.Clause);
    EXPECT_EQ(TypeClause(c.Type, c.Size), c.Clause);
    std::optional<TFieldDef> parsed = ParseTypeClause(c.Clause);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->DataType, c.Type);
    EXPECT_EQ(parsed->Size, c.Size);
  }
}

TEST(FieldDefTest, ClausesOfTheAlignmentReadInAnyCaseAndSpacing) {
  EXPECT_EQ(ParseTypeClause("Char(40)"), (TFieldDef{"", ftString, 40}));
  EXPECT_EQ(ParseTypeClause("Numeric"), (TFieldDef{"", ftFloat, 0}));
  EXPECT_EQ(ParseTypeClause(" boolean "), (TFieldDef{"", ftBoolean, 0}));
  EXPECT_EQ(ParseTypeClause("blob( 20 , 1 )"), (TFieldDef{"", ftMemo, 20}));
  EXPECT_EQ(ParseTypeClause("Date"), (TFieldDef{"", ftDate, 0}));
  EXPECT_EQ(ParseTypeClause("Time"), (TFieldDef{"", ftTime, 0}));
  EXPECT_EQ(ParseTypeClause("BLOB(0,5)"), (TFieldDef{"", ftGraphic, 0}));
  EXPECT_EQ(ParseTypeClause("AutoInc"), (TFieldDef{"", ftAutoInc, 0}));
}

TEST(FieldDefTest, BadClausesAreRefused) {
  for (const char* clause : {"", "CHAR", "CHAR()", "CHAR(0)", "CHAR(256)", "CHAR(40", "CHAR(40,1)", "NUMERIC(3)",
                             "BLOB(10)", "BLOB(10,6)", "BLOB(241,1)", "BLOB(-1,1)", "VARCHAR(10)", "DATE DATE",
                             "CHAR(99999999999)", "BCD(33)", "BYTES(0)", "INTEGER;"}) {
    SCOPED_TRACE(clause);
    EXPECT_FALSE(ParseTypeClause(clause));
  }
}

TEST(FieldDefTest, TypeClauseRefusesSizesOutsideTheType) {
  EXPECT_THROW(TypeClause(ftString, 0), EDBEngineError);
  EXPECT_THROW(TypeClause(ftString, 256), EDBEngineError);
  EXPECT_THROW(TypeClause(ftDate, 4), EDBEngineError);
  EXPECT_THROW(TypeClause(ftMemo, 241), EDBEngineError);
  EXPECT_THROW(TypeClause(ftUnknown, 0), EDBEngineError);
  EXPECT_EQ(FieldTypeName(ftGraphic), "ftGraphic");
  EXPECT_EQ(FieldTypeName(ftUnknown), "ftUnknown");
}

TEST(FieldDefTest, FieldListsAreChecked) {
  EXPECT_NO_THROW(CheckFieldDefs({{"F1", ftAutoInc, 0}, {"Nome Cognome", ftString, 40}, {"Città", ftDate, 0}}));
  EXPECT_THROW(CheckFieldDefs({}), EDBEngineError);
  EXPECT_THROW(CheckFieldDefs({{"F1", ftString, 4}, {"f1", ftDate, 0}}), EDBEngineError);
  EXPECT_THROW(CheckFieldDefs({{"", ftDate, 0}}), EDBEngineError);
  EXPECT_THROW(CheckFieldDefs({{"A\"B", ftDate, 0}}), EDBEngineError);
  EXPECT_THROW(CheckFieldDefs({{"A\nB", ftDate, 0}}), EDBEngineError);
  EXPECT_THROW(CheckFieldDefs({{" A", ftDate, 0}}), EDBEngineError);
  EXPECT_THROW(CheckFieldDefs({{"RowId", ftInteger, 0}}), EDBEngineError);
  EXPECT_THROW(CheckFieldDefs({{"F", ftString, 0}}), EDBEngineError);
  EXPECT_THROW(CheckFieldDefs({{"F", ftUnknown, 0}}), EDBEngineError);
  EXPECT_THROW(CheckFieldDefs({{std::string(129, 'x'), ftDate, 0}}), EDBEngineError);
}

}  // namespace
}  // namespace vorn
