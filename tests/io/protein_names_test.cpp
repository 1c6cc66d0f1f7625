#include "io/protein_names.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "test_util.h"

namespace {

TEST(ProteinNames, UniprotHeaders) {
  std::string id;
  ProteinName n;
  ASSERT_TRUE(parseFastaHeader(">sp|P06493|CDK1_HUMAN Cyclin-dependent kinase 1 OS=Homo sapiens OX=9606 GN=CDK1 PE=1 SV=3",
                               id, n));
  EXPECT_EQ("P06493", id);
  EXPECT_EQ("CDK1", n.name);
  EXPECT_EQ("Cyclin-dependent kinase 1", n.description);
  // No gene name; a plain identifier; no OS= field.
  ASSERT_TRUE(parseFastaHeader(">tr|A0A024R161|A0A024R161_HUMAN Guanine nucleotide-binding protein OS=Homo sapiens",
                               id, n));
  EXPECT_EQ("A0A024R161", id);
  EXPECT_EQ("", n.name);
  EXPECT_EQ("Guanine nucleotide-binding protein", n.description);
  ASSERT_TRUE(parseFastaHeader(">YAL001C\tTFC3 subunit of TFIIIC", id, n));
  EXPECT_EQ("YAL001C", id);
  EXPECT_EQ("TFC3 subunit of TFIIIC", n.description);
  EXPECT_FALSE(parseFastaHeader("MSTNPKPQRK", id, n));
}

TEST(ProteinNames, NamesFileKeepsTheDescriptionWholeAndStopsOnAMissingName) {
  const std::string dir = testutil::makeTempDir();
  testutil::writeFile(dir + "/names.tsv", "# comment\nP1\tACT1\tActin,  cytoplasmic \n\nP2 RAD51\nP1 ACT2 later\n");
  NameTable names;
  readNamesFile(dir + "/names.tsv", names);
  ASSERT_EQ(2u, names.size());
  EXPECT_EQ("ACT2", names["P1"].name);
  EXPECT_EQ("later", names["P1"].description);
  EXPECT_EQ("", names["P2"].description);
  testutil::writeFile(dir + "/bad.tsv", "P1 ACT1 Actin,  cytoplasmic\nP2\n");
  try {
    readNamesFile(dir + "/bad.tsv", names);
    FAIL() << "no stop";
  } catch (const RunError& e) {
    EXPECT_EQ(dir + "/bad.tsv line 2: expected 'id name [description]', found only 'P2'", e.what());
  }
  EXPECT_EQ("Actin,  cytoplasmic", names["P1"].description);
}

}  // namespace
