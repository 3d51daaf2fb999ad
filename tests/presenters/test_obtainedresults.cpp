#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "presenters/data/ObtainedResultsPresenter.h"
#include "support/FakeDataView.h"
#include "support/Files.h"

using namespace korv::ui;

namespace {

class ObtainedResults : public ::testing::Test {
 protected:
  ObtainedResults() : view(ObtainedResultsControls()), window(record, view) {}
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::istringstream in(view.Text(kResultsText));
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }

  Analysis record;
  korv::test::FakeDataView view;
  ObtainedResultsPresenter window;
  korv::test::TempFolder folder{"results"};
  std::filesystem::path dir = folder.Path();
};

}  // namespace

TEST_F(ObtainedResults, StartsWithTheTemplateAndBuildsTheReport) {
  EXPECT_EQ(view.caption, "Obtained Results");
  ASSERT_EQ(lines().size(), 21u);
  EXPECT_EQ(lines()[14], "First Density:                    cm^-3");

  record.VersionInformation = "Version 1.51 (2004/6/2)";
  record.SampleNumber = "Si-P-01";
  record.ExperimentalDataFile = "/data/si.nT";
  window.Clear();
  EXPECT_EQ(view.Text(kResultsText), "");
  window.Build();
  const auto l = lines();
  ASSERT_EQ(l.size(), 21u);
  EXPECT_EQ(l[0], "Korvan (Automatic Evaluation Version)");
  EXPECT_EQ(l[3], "Sample Number:             Si-P-01");
  EXPECT_EQ(l[7], "File of Experimental Data: /data/si.nT");
  EXPECT_EQ(l[8], "Data File for Analysis:    ");
  EXPECT_EQ(l[14], "First Density:                   0.00E+00 cm^-3");
  EXPECT_EQ(l[15], "First Energy Level:              0.0000 eV");
  EXPECT_EQ(l[20], "Conpensating Density:            0.00E+00 cm^-3");

  window.ShowTemplate();
  EXPECT_EQ(lines()[3], "Sample Number:             ");
}

TEST_F(ObtainedResults, SaveProposesTheFermiLevelNameAndTakesThePathAsCaption) {
  window.Build();
  window.ToolSaveClick();  // cancelled
  ASSERT_EQ(view.saveDialogs.size(), 1u);
  EXPECT_EQ(view.saveDialogs[0].fileName, ".datH");  // no Fermi-level file yet
  EXPECT_EQ(view.saveDialogs[0].filter, "Obtained Results (*.datH, *.datS)|*.datH;*.datS|All Files (*.*)|*.*");
  EXPECT_EQ(view.caption, "Obtained Results");

  record.FermiLevelFile = "/data/run.fl";
  record.FunctionType = 1;
  const std::string path = (dir / "run.datS").string();
  view.saveReplies.push_back(path);
  window.ToolSaveClick();
  EXPECT_EQ(view.saveDialogs[1].fileName, "/data/run.datS");
  EXPECT_EQ(view.caption, path);
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.rfind("Korvan (Automatic Evaluation Version)\r\n% Version Information:     \r\n", 0), 0u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 21);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  window.ToolPrintClick();
  ASSERT_EQ(view.prints.size(), 1u);
  EXPECT_EQ(view.prints[0].first, path);
}

TEST_F(ObtainedResults, ANameWithoutExtensionGetsDatAndAFailedWriteKeepsTheCaption) {
  const std::string bare = (dir / "report").string();
  view.saveReplies.push_back(bare);
  window.ToolSaveClick();
  EXPECT_TRUE(std::filesystem::exists(bare + ".dat"));
  EXPECT_EQ(window.SavedPath(), bare + ".dat");

  view.saveReplies.push_back((dir / "no/such/x.datH").string());
  window.ToolSaveClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.caption, bare + ".dat");
}

// The report shows a Windows-1252 sample description as its characters and saves it in
// the bytes the measurement gave it.
TEST_F(ObtainedResults, AWindows1252SampleDescriptionKeepsItsBytes) {
  for (const std::string name : {std::string("M\xFCller \x80"), std::string("M\xC3\xBCller \xE2\x82\xAC")}) {
    record.MeasurementName = name;
    record.SampleNumber = name;
    window.Build();
    EXPECT_NE(view.Text(kResultsText).find("M\xC3\xBCller \xE2\x82\xAC"), std::string::npos) << name;
    const std::string path = (dir / "enc.datH").string();
    view.saveReplies.push_back(path);
    window.ToolSaveClick();
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(name), std::string::npos) << name;
    EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << name;
  }
}
