// A hand-filled record with every stage up to the simulation, for the file tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "support/Files.h"

namespace korv::test {

// A record as it stands after H3 and the simulation: three grid points, four measured points.
inline void FillRecord(Analysis& a) {
  a.VersionInformation = "Version 1.51 (2004/6/2)";
  a.OriginalFile = "C:/data/orig.txt";
  a.ExperimentalDataFile = "/data/s1.nT";
  a.AnalysisDataFile = "/data/s1.spl";
  a.FermiLevelFile = "/data/s1.fl";
  a.AnalysisFile = {"/data/s1.H1", "/data/s1.H2", "/data/s1.H3"};
  a.ExperimentalFermiLevelFile = "/data/s1.flE";
  a.ExperimentalAnalysisFile = {"/data/s1.H1E", "/data/s1.H2E", "/data/s1.H3E"};
  a.SimulationFile = "/data/s1.simH";
  a.MeasurementName = "Hall run 7";
  a.MeasurementDate = "2004/05/01";
  a.AnalysisName = "T. Tester";
  a.AnalysisDate = "2004/06/02";
  a.SampleNumber = "S-12";
  a.Semiconductor = "Si";
  a.ConductionType = "n-type";
  a.Remark = "annealed 30 min";
  a.DensityOfStatesRemark = "from table";
  a.Thickness = 380;
  a.MagneticField = 0.5;
  a.Current = 1e-5;
  a.DataCount = 4;
  a.Temperature = {50, 100, 200, 300};
  a.Concentration = {1.5e13, 2.25e15, 8.0e15, 1.0e16};
  a.Reliability = {1, 1, 0.5, 0};
  a.FirstIndex = 0;
  a.LastIndex = 3;
  a.GridCount = 3;
  a.Smoothness = 5000;
  a.SplineTemperature = {50, 50.1, 50.2};
  a.SplineConcentration = {1.5e13, 1.5123456789e13, 1.53e13};
  a.EffectiveMass = 0.32;
  a.EquivalentMinima = 6;
  a.DosCoefficient = 5.25e15;
  a.FermiLevel = {0.05, 0.0501, 0.0502};
  a.ExperimentalFermiLevel = {0.05, 0.12, 0.2, 0.25};
  a.FunctionType = 2;
  a.AutoEvaluationType = "Type-B";
  a.HValues = {{1e30, 2e30, 3e30}, {1.1e30, 2.2e30, 3.3e30}, {4e29, 5e29, 6e29}, {0}};
  a.SimulatedH = {{0.9e30, 1.9e30, 2.9e30}, {1e30, 2e30, 3.123456789e30}, {3e29, 4e29, 5e29}, {0}};
  a.ExperimentalH = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12.5}, {}};
  a.PeakIndex = {1, 2, 0, 0};
  a.Eref = {0.045, 0.12, 0.3, 0};
  a.DegeneracyFactor = {2, 2, 4, 1};
  a.CheckTemperature = {55.5, 120, 250, 0};
  a.Density = {1e16, 2e15, 3e14, 0};
  a.EnergyLevel = {0.045, 0.15, 0.35, 0};
  a.TemporaryCompensatingDensity = {1e14, -2e13, 0, 0};
  a.CompensatingDensity = 1e14;
  a.SimDensity = {1e16, 2e15, 3e14, 0};
  a.SimEnergyLevel = {0.045, 0.15, 0.35, 0};
  a.SimCompensatingDensity = -5e13;
  a.SimUseCompensation = true;
  a.SimUseLevel = {true, false, true, false};
  a.SimulatedConcentration = {1.4e13, 1.51e13, 1.52e13};
  a.SimulatedFermiLevel = {0.049, 0.0499, 0.05};
}

// Lines 2 to 29 of the H1 file of FillRecord: version, function type, file lines up to
// the H1 name, sample, remark, spline and density-of-states blocks.
inline std::vector<std::string> SampleBlockLines() {
  return {"% Name of measurement: Hall run 7",
          "% Date of measurement: 2004/05/01",
          "% Name of analysis: T. Tester",
          "% Date of Analysis: 2004/06/02",
          "% Sample number: S-12",
          "% Semiconductor: Si",
          "% Conduction type: n-type",
          "% Sample thickness [micron]: 380",
          "% Magnetic Field [T]: 0.5",
          "% Current [A]: 1E-5",
          "% Number of data: 4"};
}

inline std::vector<std::string> SplineBlockLines() {
  return {"% Index of beginning data: 0", "% Index of ending data: 3", "% Number of data for analysis: 3",
          "% Smoothness: 5000"};
}

inline std::vector<std::string> DensityOfStatesBlockLines() {
  return {"% Effective mass: 0.32", "% Equivalent minima: 6", "% Effective density of states/T^(3/2): 5.25E15",
          "% from table"};
}

inline void Append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
  to.insert(to.end(), lines.begin(), lines.end());
}

// Compares line by line so that a failure names the first line that differs.
inline void ExpectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
  for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i)
    EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
  EXPECT_EQ(actual.size(), expected.size());
}

inline const std::string kDash = "% " + std::string(60, '-') + " ";

}  // namespace korv::test
