#include "io/gaf_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.h"
#include "test_util.h"

namespace {

std::string gafLine(const std::string& id, const std::string& symbol, const std::string& qualifier,
                    const std::string& term, const std::string& evidence) {
  return "DB\t" + id + "\t" + symbol + "\t" + qualifier + "\t" + term + "\tREF\t" + evidence +
         "\t\tP\tname with blanks\t\tprotein\ttaxon:9606\t20240101\tDB\t\t\n";
}

TEST(ReadGafFile, NotAndElectronicAnnotationsColumnsAndRepeats) {
  const std::string dir = testutil::makeTempDir(), file = dir + "/a.gaf";
  testutil::writeFile(file, "!gaf-version: 2.2\n" + gafLine("P1", "ABC1", "enables", "GO:2", "IDA") +
                                gafLine("P1", "ABC1", "involved_in", "GO:1", "IEA") +
                                gafLine("P1", "ABC1", "enables", "GO:2", "IMP") +  // repeat
                                gafLine("P2", "XYZ", "NOT|enables", "GO:1", "IDA") + "\n" +
                                gafLine("P2", "XYZ", "located_in", "GO:3", "IEA"));
  std::map<std::string, VecStr> terms;
  GafCounts c = readGafFile(file, GafOptions(), terms);
  EXPECT_EQ((std::map<std::string, VecStr>{{"P1", {"GO:1", "GO:2"}}, {"P2", {"GO:3"}}}), terms);
  EXPECT_EQ(5, c.lines);
  EXPECT_EQ(4, c.kept);
  EXPECT_EQ(1, c.negated);
  EXPECT_EQ(0, c.electronic);

  terms.clear();
  GafOptions bySymbol;
  bySymbol.idColumn = 3;
  bySymbol.noElectronic = true;
  c = readGafFile(file, bySymbol, terms);
  EXPECT_EQ((std::map<std::string, VecStr>{{"ABC1", {"GO:2"}}}), terms);
  EXPECT_EQ(2, c.electronic);

  testutil::writeFile(file, gafLine("", "S", "enables", "GO:1", "IDA"));
  try {
    readGafFile(file, GafOptions(), terms);
    ADD_FAILURE() << "an empty identifier was taken";
  } catch (const RunError& e) {
    EXPECT_EQ("Error: " + file + " line 1: column 2 (the identifier) is empty\n", e.text());
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
