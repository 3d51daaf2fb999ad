// The excited-states numerics: levels, occupancy, model, index helpers, the automatic
// evaluation (straightforward and fast forms) and the two files.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../numerics/AnalyticRecord.h"
#include "ExcitedRecord.h"
#include "analyses/Excitedstates.h"
#include "core/Error.h"

using namespace korv::excited;
using korv::testing::FillExcitedRecord;
using korv::testing::HydrogenicDopant;
using korv::testing::RecordingPorts;

TEST(ExcitedExplore, Print) {
  Analysis a;
  HydrogenicDopant d;
  for (double eref : {0.1, 0.15, 0.2, 0.25, 0.3}) {
    FillExcitedRecord(a, d, 200, 470, eref);
    std::printf("eref %g peak %d T %g\n", eref, a.PeakIndex[0], a.SplineTemperature[a.PeakIndex[0]]);
  }
  FillExcitedRecord(a, d, 200, 470, 0.2);
  ExcitedStates x(a);
  RecordingPorts ports;
  auto t0 = std::chrono::steady_clock::now();
  bool ok = x.AutomaticExcitedEvaluation(ports, ports, Method::Fast);
  auto t1 = std::chrono::steady_clock::now();
  std::printf("ok %d %g s s0 %d\n", ok, std::chrono::duration<double>(t1 - t0).count(), x.LowerStartIndex());
  for (auto& t : x.Trials)
    std::printf("r %d s %d ok %d v %d N %g E %g C %g dev %g steps %d %s\n", t.highestLevel, t.start, t.succeeded, t.valid,
                t.density, t.level, t.compensatingDensity, t.deviation, t.ratioSteps, t.message.c_str());
  t0 = std::chrono::steady_clock::now();
  ExcitedStates y(a);
  y.AutomaticExcitedEvaluation(ports, ports, Method::Straightforward);
  t1 = std::chrono::steady_clock::now();
  std::printf("straight %g s same %d\n", std::chrono::duration<double>(t1 - t0).count(), y.ExcitedEnergyLevel == x.ExcitedEnergyLevel);
  std::printf("chosen: N %g E %g C %g r %d\n", x.ExcitedDensity, x.ExcitedEnergyLevel, x.ExcitedCompensatingDensity, x.HighestLevel);
}
