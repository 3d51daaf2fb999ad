// The comparison of the sample block of two records: the eleven fields every file's
// header carries, as a reader must give them back.
#pragma once

#include <gtest/gtest.h>

#include "core/Analysis.h"

namespace korv::test {

inline void ExpectSameSample(const Analysis& actual, const Analysis& expected) {
  EXPECT_EQ(actual.MeasurementName, expected.MeasurementName);
  EXPECT_EQ(actual.MeasurementDate, expected.MeasurementDate);
  EXPECT_EQ(actual.AnalysisName, expected.AnalysisName);
  EXPECT_EQ(actual.AnalysisDate, expected.AnalysisDate);
  EXPECT_EQ(actual.SampleNumber, expected.SampleNumber);
  EXPECT_EQ(actual.Semiconductor, expected.Semiconductor);
  EXPECT_EQ(actual.ConductionType, expected.ConductionType);
  EXPECT_EQ(actual.Thickness, expected.Thickness);
  EXPECT_EQ(actual.MagneticField, expected.MagneticField);
  EXPECT_EQ(actual.Current, expected.Current);
  EXPECT_EQ(actual.Remark, expected.Remark);
}

}  // namespace korv::test
