// libFuzzer target for the file readers: any input must either load or fail with
// korv::Error, never crash, hang or allocate without bound. The first byte chooses
// the reader (0 measurement, 1 spline, 2 Fermi level, modulo 3; with its high bit set,
// the reader of instrument exports, its low bits choosing the quantity, unit, Celsius and
// reliability column; 0x40 to 0x7F the session reader, which then applies and writes the
// session again); the rest is the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/Analysis.h"
#include "core/Error.h"
#include "core/Session.h"
#include "files/InstrumentImport.h"

namespace {
std::string scratchPath() {
  static std::string path = "/tmp/korv-fuzz-" + std::to_string(::getpid()) + ".txt";
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] & 0x80) {
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 0x40) {
      // Everything taken from the file: the table, CSV quoting, units of rows and names.
      korv::ImportSettings s;
      s.average = data[0] & 1;
      if (data[0] & 2) s.runColumn = "2";
      if (data[0] & 4) s.run = "0.5";
      if (data[0] & 8) s.thickness = 500;
      s.dropRefused = data[0] & 16;
      korv::ImportLayout csv;
      csv.separator = (data[0] & 32) ? korv::ImportSeparator::Comma : korv::ImportSeparator::Semicolon;
      std::size_t pos = 0;
      while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + pos, end - pos);
        (void)csv.Cells(line, 64);
        (void)korv::ParseColumnUnit(line);
        (void)korv::UnitOfName(line);
        (void)korv::QuotedLine(line);
        pos = end + 1;
      }
      try {
        (void)korv::ProposeImport(korv::AnalyseLayout(text));
        korv::ImportResult r = korv::ImportMeasurement(text, s);
        (void)r.Report(s);
      } catch (const korv::Error&) {
      }
      return 0;
    }
    korv::ImportSettings s;
    s.temperatureColumn = (data[0] & 1) ? "2" : "1";
    s.concentrationColumn = (data[0] & 1) ? "3" : "2";
    if (data[0] & 2) {
      s.quantity = korv::ImportQuantity::HallCoefficient;
      s.unit = (data[0] & 4) ? korv::ImportUnit::CubicMetrePerCoulomb : korv::ImportUnit::CubicCentimetrePerCoulomb;
    } else {
      s.unit = (data[0] & 4) ? korv::ImportUnit::PerCubicMetre : korv::ImportUnit::PerCubicCentimetre;
    }
    s.celsius = data[0] & 8;
    if (data[0] & 16) s.reliabilityColumn = "4";
    try {
      korv::ImportResult r = korv::ImportMeasurement(text, s);
      (void)r.Report(s);
    } catch (const korv::Error&) {
    }
    return 0;
  }
  if ((data[0] & 0xC0) == 0x40) {
    try {
      const korv::Session session =
          korv::ReadSession(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
      Analysis a;
      session.ApplyTo(a);
      const std::string again = korv::WriteSession(a, session.measurementText, session.extras);
      // What was read and applied is written in the form it reads back from.
      (void)korv::ReadSession(again);
    } catch (const korv::Error&) {
    }
    return 0;
  }
  const std::string path = scratchPath();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  } else {
    return 0;
  }
  Analysis a;
  try {
    switch (data[0] % 3) {
      case 1:
        a.AnalysisDataFile = path;
        a.LoadSplineFile();
        break;
      case 2:
        a.FermiLevelFile = path;
        a.LoadFermiLevelFile();
        break;
      default:
        a.ExperimentalDataFile = path;
        a.LoadMeasurementFile();
        break;
    }
  } catch (const korv::Error&) {
  }
  return 0;
}
