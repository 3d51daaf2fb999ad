#include "presenters/main/MainControls.h"

namespace korv::ui {
namespace {

using K = ControlKind;

class Builder {
 public:
  std::vector<MainControl> list;
  void add(const std::string& name, K kind, const std::string& caption, const std::string& parent) {
    list.push_back({name, kind, caption, parent});
  }
  void button(const std::string& name, const std::string& caption, const std::string& parent) {
    add(name, K::Button, caption, parent);
  }
  void label(const std::string& name, const std::string& caption, const std::string& parent) {
    add(name, K::Label, caption, parent);
  }
  void edit(const std::string& name, const std::string& text, const std::string& parent) {
    add(name, K::Edit, text, parent);
  }
  void picture(const std::string& name, const std::string& parent) { add(name, K::Picture, "", parent); }
  void group(const std::string& name, const std::string& caption, const std::string& parent) {
    add(name, K::GroupBox, caption, parent);
  }
  void menu(const std::string& name, const std::string& caption, const std::string& parent) {
    add(name, K::MenuItem, caption, parent);
  }
};

std::string num(int i) { return std::to_string(i); }

// Density and energy symbols of level j: neutral, n-type and p-type members.
void levelSymbols(Builder& b, const std::string& prefix, int j, const std::string& parent) {
  const std::string s = num(j);
  b.picture(prefix + "N" + s, parent);
  b.picture(prefix + "ND" + s, parent);
  b.picture(prefix + "NA" + s, parent);
  b.picture(prefix + "DE" + s, parent);
  b.picture(prefix + "DED" + s, parent);
  b.picture(prefix + "DEA" + s, parent);
}

// The H_k (and S_k) formula family of a calculation group.
void functionPictures(Builder& b, int k, const std::string& parent) {
  for (const char* f : {"ImageH", "ImageS"}) {
    b.picture(f + num(k), parent);
    b.picture(f + num(k) + "n", parent);
    b.picture(f + num(k) + "p", parent);
  }
}

// Degeneracy-factor group of tab k (the "Input Degeneracy Factor" groups).
void degeneracyGroup(Builder& b, int k, const std::string& group, const std::string& tab) {
  b.group(group, "Input Degeneracy Factor", tab);
  b.edit("EditGH" + num(k), "1", group);
  b.picture("ImageNdH" + num(k), group);
  b.picture("ImageNaH" + num(k), group);
  b.label("LabelDonorH" + num(k), "n-type", group);
  b.label("LabelAcceptorH" + num(k), "p-type", group);
}

// "Determine Density and Energy Level" group of tab k.
void resultGroup(Builder& b, int k, const std::string& group, const std::string& caption, const std::string& tab) {
  const std::string s = num(k);
  b.group(group, caption, tab);
  b.label("LabelPeakT" + s, "0", group);
  b.label("LabelPeakTUnit" + s, "K", group);
  b.label("LabelPeakV" + s, "0", group);
  b.label("LabelChangePeakH" + s, "Change Peak", group);
  b.button("ButtonDecreasePeakH" + s, "<", group);
  b.button("ButtonIncreasePeakH" + s, ">", group);
  b.button("ButtonEvaluation" + s, "Evaluation", group);
  b.label("LabelDensity" + s, "0", group);
  b.label("LabelEnergy" + s, "0", group);
  b.label("LabelCDensity" + s, "0", group);
  b.label("LabelNegativeNcomH" + s, "", group);
  b.button("ButtonSaveH" + s, "Save Obtained Results (*.H" + s + ")", group);
  b.label("LabelFilenameH" + s, "", group);
  // "implausible: ..." beside the result when the density cannot be true of a sample.
  b.label("LabelPlausibilityH" + s, "", group);
  levelSymbols(b, "ImageH" + s, k, group);
}

// Chart, figure button, line legends and version label of tab k.
void chartPart(Builder& b, int k, const std::string& experimentalCaption, const std::string& tab) {
  const std::string s = num(k);
  b.add("ChartH" + s, K::Chart, "", tab);
  b.button("ButtonSaveFigureH" + s, "Save Figure (*H" + s + ".bmp)", tab);
  b.button("ButtonSaveExperimentalH" + s + "Data", experimentalCaption, tab);
  b.label("LabelBlackLineH" + s, "black line", tab);
  b.label("LabelRedLineH" + s, "red line", tab);
  b.label("LabelVerH" + s, "", tab);
}

std::vector<MainControl> build() {
  Builder b;
  const std::string P = kMainPageControl;

  // Outside the tabs.
  b.label("PanelSampleNumber", "", "");
  b.label("PanelFilenameExperimentalData", "", "");

  // Tab 1: measurement and spline.
  b.add("TabSheet1", K::Tab, "Carrier Concentration", P);
  b.group("GroupBox1", "Experimental Date", "TabSheet1");
  b.button("ButtonInputData", "Input Data", "GroupBox1");
  b.button("ButtonLoadExperimental", "Load Data (*.pT or *.nT)", "GroupBox1");
  b.button("ButtonChangeData", "Change Data", "GroupBox1");
  b.label("LabelFilenameExperimentalData", "", "GroupBox1");
  b.group("GroupBox2", "Interpolating Temperature Dependence of Free Carrier Concentration with Cubic Spline Function",
          "TabSheet1");
  b.label("LabelSmoothness", "Smoothness", "GroupBox2");
  b.edit("EditSmoothness", "5000", "GroupBox2");
  b.button("ButtonCalcSpline", "Calculation", "GroupBox2");
  b.button("ButtonSaveSpline", "Save (*.spl)", "GroupBox2");
  b.label("LabelFilenameSpline", "", "GroupBox2");
  b.label("LabelSplineWarning", "", "GroupBox2");
  b.label("LabelVerCon", "", "TabSheet1");
  b.add("ChartExperimentalLinear", K::Chart, "", "TabSheet1");
  b.add("ChartExperimentalLog", K::Chart, "", "TabSheet1");
  b.add("ChartSplineResidual", K::Chart, "", "TabSheet1");
  b.button("ButtonSaveFigureConcentration1", "Save Figure (*Con1.bmp)", "TabSheet1");
  b.button("ButtonSaveFigureConcentration2", "Save Figure (Con2.bmp)", "TabSheet1");

  // Tab 2: material, density of states and Fermi level.
  b.add("TabSheet2", K::Tab, "Fermi Level", P);
  b.group("GroupBox3", "Input or Change Information of Semiconductor", "TabSheet2");
  b.label("LabelFermiSemiconductor", "", "GroupBox3");
  b.button("ButtonInputChangeInformation", "Input or Change", "GroupBox3");
  b.label("LabelFermiConductionTypeN", "n-type", "GroupBox3");
  b.label("LabelFermiConductionTypeP", "p-type", "GroupBox3");
  b.label("LabelMass", "Effective Mass", "GroupBox3");
  b.edit("EditMass", "1", "GroupBox3");
  b.label("LabelEquivalentMinima", "Number of Equivalent Minima in Conduction Band", "GroupBox3");
  b.edit("EditEquivalentMinima", "1", "GroupBox3");
  b.button("ButtonCalcEffectiveDensityOfStates", "Calculate Effective Density Of States", "GroupBox3");
  b.label("LabelEffectiveDensityOfStates", "Effective Density of States:", "GroupBox3");
  b.edit("EditEffectiveDensityOfStates", "9.4E49", "GroupBox3");
  b.label("LabelFermiLevelComment", "Comment", "GroupBox3");
  b.edit("EditFermiLevelComment", "", "GroupBox3");
  b.button("ButtonSeeInformation", "See Semiconductor Data", "GroupBox3");
  for (const char* n : {"ImageN0kT32", "ImageNC0kT32", "ImageNV0kT32", "ImageMassElectron", "ImageMassHole",
                        "ImageEquivalentMinima", "ImageEffectiveDensityOfStatesN", "ImageEffectiveDensityOfStatesP"})
    b.picture(n, "GroupBox3");
  b.group("GroupBox4", "Calculate Fermi Level", "TabSheet2");
  b.button("ButtonCalcFermiLevel", "Calculation", "GroupBox4");
  b.button("ButtonSaveFermiLevel", "Save Temperature Dependence of Fermi Level (*.fl)", "GroupBox4");
  b.label("LabelFilenameFermiLevel", "", "GroupBox4");
  b.label("LabelFermiLevelConductionTypeN", "n-type", "GroupBox4");
  b.label("LabelFermiLevelConductionTypeP", "p-type", "GroupBox4");
  b.picture("ImageFermiLevelN", "GroupBox4");
  b.picture("ImageFermiLevelP", "GroupBox4");
  b.button("ButtonSaveExperimentalFermiLevelData", "Save experimental Fermi level data", "TabSheet2");
  b.label("LabelVerFermi", "", "TabSheet2");
  b.add("ChartFermiLevel", K::Chart, "", "TabSheet2");
  b.button("ButtonSaveFigureFermi", "Save Figure (*Fermi.bmp)", "TabSheet2");

  // Tab 3: H1.
  b.add("TabSheet3", K::Tab, "H1(T,E_ref)", P);
  b.group("GroupBoxH1", "Calculate H1(T,E_ref)", "TabSheet3");
  b.button("ButtonCalcH1", "Calculation", "GroupBoxH1");
  b.label("LabelEref1", "0", "GroupBoxH1");
  b.button("ButtonDecreaseErefH1", "<<", "GroupBoxH1");
  b.button("ButtonDecreaseErefH1Precise", "<", "GroupBoxH1");
  b.button("ButtonIncreaseErefH1Precise", ">", "GroupBoxH1");
  b.button("ButtonIncreaseErefH1", ">>", "GroupBoxH1");
  b.button("ButtonCalculationH1Precise", "Calculation", "GroupBoxH1");
  functionPictures(b, 1, "GroupBoxH1");
  degeneracyGroup(b, 1, "GroupBox6", "TabSheet3");
  // sic: the window's own texts, misspellings included
  resultGroup(b, 1, "GroupBox7", "Detemine Density and Energy Level", "TabSheet3");
  chartPart(b, 1, "Save experimentral H1 data (*.H1E)", "TabSheet3");

  // Tab 4: H2.
  b.add("TabSheet4", K::Tab, "H2(T,E_ref)", P);
  b.group("GroupBoxH2", "Calculate H2(T,E_ref)", "TabSheet4");
  b.button("ButtonCalcH2", "Calculation", "GroupBoxH2");
  b.button("ButtonUseNegativeNcom", "Use Negative Compensating Density", "GroupBoxH2");
  b.label("LabelEref2", "0", "GroupBoxH2");
  b.label("LabelDensity1H2", "0", "GroupBoxH2");
  b.label("LabelEnergy1H2", "0", "GroupBoxH2");
  b.label("LabelComDensityH2", "0", "GroupBoxH2");
  functionPictures(b, 2, "GroupBoxH2");
  for (const char* n : {"ImageH2Com", "ImageH2ComN", "ImageH2ComP", "ImageS2Com"}) b.picture(n, "GroupBoxH2");
  levelSymbols(b, "ImageH2", 1, "GroupBoxH2");
  degeneracyGroup(b, 2, "GroupBox9", "TabSheet4");
  resultGroup(b, 2, "GroupBox10", "Determine Density and Energy Level", "TabSheet4");
  chartPart(b, 2, "Save experimental H2 data (*.H2E)", "TabSheet4");

  // Tab 5: H3.
  b.add("TabSheet5", K::Tab, "H3(T,E_ref)", P);
  b.group("GroupBoxH3", "Calculate H3(T,E_ref)", "TabSheet5");
  b.button("ButtonCalcH3", "Calculation", "GroupBoxH3");
  b.label("LabelEref3", "0", "GroupBoxH3");
  for (const char* n : {"LabelDensity1H3", "LabelEnergy1H3", "LabelDensity2H3", "LabelEnergy2H3", "LabelComDensityH3"})
    b.label(n, "0", "GroupBoxH3");
  functionPictures(b, 3, "GroupBoxH3");
  for (const char* n : {"ImageH3Com", "ImageH3ComN", "ImageH3ComP", "ImageS3Com"}) b.picture(n, "GroupBoxH3");
  levelSymbols(b, "ImageH3", 1, "GroupBoxH3");
  levelSymbols(b, "ImageH3", 2, "GroupBoxH3");
  degeneracyGroup(b, 3, "GroupBox12", "TabSheet5");
  resultGroup(b, 3, "GroupBox13", "Determine Density and Energy Level", "TabSheet5");
  chartPart(b, 3, "Save experimental H3 data (*.H3E)", "TabSheet5");

  // Tab 6: results and simulation.
  b.add("TabSheet6", K::Tab, "Simulation", P);
  b.group("GroupBox14", "Obtained Results", "TabSheet6");
  for (int j = 1; j <= 3; ++j) {
    b.add("CheckBox" + num(j), K::CheckBox, "", "GroupBox14");
    b.edit("EditSDensity" + num(j), "0", "GroupBox14");
    b.edit("EditSEnergy" + num(j), "0", "GroupBox14");
    levelSymbols(b, "ImageS", j, "GroupBox14");
  }
  b.add("CheckBox4", K::CheckBox, "", "GroupBox14");
  b.edit("EditSCDensity", "0", "GroupBox14");
  b.label("LabelSDonor", "n-type", "GroupBox14");
  b.label("LabelSAcceptor", "p-type", "GroupBox14");
  b.button("ButtonSeeResults", "See Remarks", "GroupBox14");
  b.button("ButtonSaveResults", "Save Results", "GroupBox14");
  b.label("LabelSimulationSources", "", "GroupBox14");
  b.group("GroupBox15", "Simulate Temperature Dependence of Majority-Carrier Concentration", "TabSheet6");
  b.button("ButtonSimulation", "Simulation", "GroupBox15");
  b.button("ButtonSaveSimulation", "Save Simulation (*.simH)", "GroupBox15");
  b.label("LabelFilenameSimulation", "", "GroupBox15");
  b.button("ButtonFineAdjustment", "Fine Adjustment of densities and energy levels (Curve-fitting)", "GroupBox15");
  b.picture("ImageSimulationN", "GroupBox15");
  b.picture("ImageSimulationP", "GroupBox15");
  b.label("LabelVerSim", "", "TabSheet6");
  b.add("ChartSimulationReverseT", K::Chart, "", "TabSheet6");
  b.add("ChartSimulationT", K::Chart, "", "TabSheet6");
  b.button("ButtonSaveFigureSimulation1", "Save Figure (*SimH1.bmp)", "TabSheet6");
  b.button("ButtonSaveFigureSimulation2", "Save Figure (*SimH2.bmp)", "TabSheet6");

  // Menus, in menu-bar order.
  const std::string M = kMainMenuBar;
  b.menu("FileMain", "File", M);
  b.menu("LoadExperimental", "Experimental Data (*.pT or *.nT)", "FileMain");
  b.menu("LoadSpline", "Data for Analysis(*.spl)", "FileMain");
  b.menu("LoadFermiLevel", "Fermi Level (*.fl)", "FileMain");
  b.menu("N1", "-", "FileMain");
  b.menu("AllClearMain", "All Clear", "FileMain");
  b.menu("N2", "-", "FileMain");
  b.menu("PrintMain", "Print", "FileMain");
  b.menu("N3", "-", "FileMain");
  b.menu("ExitMain", "Exit", "FileMain");
  b.menu("FileDataMain", "Data", M);
  b.menu("EditorMain", "File Viewer", "FileDataMain");
  b.menu("SampleCondition", "Sample Condition", "FileDataMain");
  b.menu("ObtainedResults", "Obtained Results", "FileDataMain");
  b.menu("OptionMain", "Option", M);
  b.menu("AutomaticEvaluationType", "Automatic Evaluation Type", "OptionMain");
  b.menu("TypeOfFunction", "Type of Function to be evaluated", "OptionMain");
  b.menu("N5", "-", "OptionMain");
  b.menu("NormalMode", "Normal Mode", "OptionMain");
  b.menu("AdvancedMode", "Advanced Mode", "OptionMain");
  b.menu("DistributionFunction1", "Distribution Function", M);
  b.menu("MenuExcitedStates", "Consideration of Excited States", "DistributionFunction1");
  b.menu("MenuDXCenter", "DX Center", "DistributionFunction1");
  b.list.back().toolTip = kDXCenterToolTip;
  b.menu("OtherAnalysesMain", "Other Analyses", M);
  b.menu("MenuInverseT", "Only One Impurity", "OtherAnalysesMain");
  b.menu("MenuInverseTCom", "One Donor and One Acceptor", "OtherAnalysesMain");
  b.menu("MenuDHES", "DHES", "OtherAnalysesMain");
  b.menu("MenuCurveFitting", "Curve Fitting", "OtherAnalysesMain");
  b.menu("HelpMain", "Help", M);
  b.menu("Version", "Version", "HelpMain");
  b.menu("Information", "Information on Latest Version", "HelpMain");
  b.menu("N4", "-", "HelpMain");
  b.menu("Help", "Help", "HelpMain");
  b.menu("InformationMain", "Information", M);
  b.menu("InformationSemiconductor", "Information on Semiconductors", "InformationMain");
  return b.list;
}

}  // namespace

const std::vector<MainControl>& MainControls() {
  static const std::vector<MainControl> list = build();
  return list;
}

std::vector<Control> MainControlList() {
  std::vector<Control> out;
  for (const auto& c : MainControls()) out.push_back({c.name, c.kind, c.caption});
  return out;
}

std::vector<std::string> MainPictureNames() {
  std::vector<std::string> out;
  for (const auto& c : MainControls())
    if (c.kind == ControlKind::Picture) out.push_back(c.name);
  return out;
}

}  // namespace korv::ui
