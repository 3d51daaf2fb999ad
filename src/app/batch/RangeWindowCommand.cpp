#include "app/batch/RangeWindowCommand.h"

#include <iostream>
#include <sstream>

#include "app/batch/Json.h"
#include "app/batch/MainRoad.h"
#include "app/batch/Options.h"
#include "app/batch/SideCommand.h"
#include "core/Numbers.h"

namespace korv::batch {

ConventionalOptions ParseConventional(const std::string& command, const std::vector<std::string>& args) {
  ConventionalOptions o;
  o.donorAcceptor = command == "donor-acceptor";
  RoadOptions road;
  auto index = [](const std::string& option, const std::string& v) {
    int x = 0;
    if (!TryParseInt(v, x) || x < 0) throw UsageError("option " + option + ": '" + v + "' is not a point index");
    return x;
  };
  ParseCommandArgs(command, args, o.input, o.outdir, road, o.json, o.quiet,
                   [&](const std::string& arg, const std::function<std::string()>& value) {
                     if (arg == "--low-index") {
                       o.lowIndex = index(arg, value());
                     } else if (arg == "--high-index") {
                       o.highIndex = index(arg, value());
                     } else if (arg == "--net-density" && o.donorAcceptor) {
                       // Typed into the window as given, but a text that is no number is a mistyped
                       // command line.
                       const std::string v = value();
                       double x = 0;
                       if (!TryParseReal(v, x)) throw UsageError("option " + arg + ": '" + v + "' is not a number");
                       o.netDensity = v;
                     } else {
                       return false;
                     }
                     return true;
                   });
  o.smoothness = road.smoothness;
  o.mass = road.mass;
  o.minima = road.minima;
  RequireInput(command, o.input);
  if (o.lowIndex.has_value() != o.highIndex.has_value())
    throw UsageError("give both --low-index and --high-index, or neither");
  if (o.lowIndex && !(*o.lowIndex < *o.highIndex))
    throw UsageError("--low-index must be smaller than --high-index (the range holds at least two points)");
  if (o.donorAcceptor && !o.netDensity) throw UsageError("donor-acceptor needs --net-density X");
  return o;
}

std::string ConventionalSummary(const ConventionalReport& r) {
  std::ostringstream out;
  out << "Measurement:    " << r.options.input << "\n";
  out << "Semiconductor:  " << r.semiconductor << " (" << r.conductionType << ")\n";
  out << "Window:         " << r.caption << "\n";
  out << "Fitting range:  points " << r.lowIndex << " to " << r.highIndex << " (" << FormatGeneral(r.lowTemperature)
      << " K to " << FormatGeneral(r.highTemperature) << " K)\n";
  if (!r.shown.empty()) {
    out << "\nShown:\n";
    for (const auto& [name, text] : r.shown)
      if (!text.empty())
        out << "  " << name << std::string(name.size() < 22 ? 22 - name.size() : 1, ' ') << text << "\n";
  }
  PrintMessagesAndFiles(out, r.messages, r.files);
  return out.str();
}

std::string ConventionalJson(const ConventionalReport& r) {
  Json j;
  j.BeginObject();
  j.Key("command").String(r.options.donorAcceptor ? "donor-acceptor" : "one-impurity");
  j.Key("input").String(r.options.input);
  j.Key("options").BeginObject();
  j.Key("smoothness").Number(r.options.smoothness);
  if (r.options.mass) j.Key("mass").Number(*r.options.mass);
  if (r.options.minima) j.Key("minima").Number(*r.options.minima);
  if (r.options.lowIndex) j.Key("low_index").Integer(*r.options.lowIndex);
  if (r.options.highIndex) j.Key("high_index").Integer(*r.options.highIndex);
  if (r.options.netDensity) j.Key("net_density").String(*r.options.netDensity);
  if (!r.options.outdir.empty()) j.Key("outdir").String(r.options.outdir);
  j.EndObject();
  j.Key("conduction_type").String(r.conductionType);
  j.Key("semiconductor").String(r.semiconductor);
  j.Key("caption").String(r.caption);
  j.Key("low_index").Integer(r.lowIndex);
  j.Key("high_index").Integer(r.highIndex);
  j.Key("lowest_temperature").Number(r.lowTemperature);
  j.Key("highest_temperature").Number(r.highTemperature);
  j.Key("shown").BeginObject();
  for (const auto& [name, text] : r.shown) j.Key(name).String(text);
  j.EndObject();
  j.Key("results").BeginObject();
  for (const auto& [name, v] : r.values) j.Key(name).Number(v);
  j.EndObject();
  j.Key("simulated_points").Integer(r.simulatedPoints);
  if (r.options.donorAcceptor) j.Key("confirmation_shown").Bool(r.confirmationShown);
  WriteMessages(j, {&r.messages});
  WriteFiles(j, {&r.files});
  if (r.exitStatus != 0) j.Key("error").String(r.failure);
  j.EndObject();
  return j.Text() + "\n";
}

int RunConventionalCommand(const ConventionalOptions& options) {
  const ConventionalReport r = options.donorAcceptor ? RunDonorAcceptor(options) : RunOneImpurity(options);
  return PrintOutcome(
      r.exitStatus, r.failure, options.json, options.quiet, [&] { return ConventionalJson(r); },
      [&] { return ConventionalSummary(r); }, std::cout, std::cerr);
}

std::string ConventionalUsage() {
  return R"(  korv-batch one-impurity FILE.nT|FILE.pT [--low-index I --high-index J] [options]
      The main road up to the saved Fermi level, then the window "Only One Impurity":
      the fitting range I..J (indices of the measured points, 0 = lowest temperature;
      default: all points), "Evaluation" once, and the *.CNO file saved as proposed.
  korv-batch donor-acceptor FILE.nT|FILE.pT --net-density X [--low-index I --high-index J] [options]
      The same with the window "One Donor and One Acceptor": X is N_D - N_A (n-type) or
      N_A - N_D (p-type) in cm^-3, typed into the window as given; the *.CNC file is saved.
      Options of both: --outdir DIR  --smoothness S  --mass M  --minima N  --json  --quiet
)";
}

}  // namespace korv::batch
