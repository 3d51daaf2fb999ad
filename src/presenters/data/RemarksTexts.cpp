#include "presenters/data/RemarksTexts.h"

#include "core/Numbers.h"

namespace korv::ui {

void RemarksTexts::prepare(const Analysis& a, int newLevel) {
  if (newLevel != 1 && newLevel != 2) return;
  level = newLevel;
  const int previous = newLevel - 1;  // slot of the analysis before it
  const bool second = newLevel == 1;
  label[0] = second ? "The second energy level obtained in H2 may not be reliable."
                    : "The third energy level obtained in H3 may not be reliable.";
  label[1] = "This is because the energy level is lower than " + FormatPattern(a.LowestKT, "0.####") +
             // sic: the dialog's own text, misspelling included
             " eV, which is corresponding to the lowest measurment temperature.";
  label[2] =
      std::string(second ? "Recommend that you evaluate the second energy level using a compensating density of "
                         : "Recommend that you evaluate the third energy level using a compensating density of ") +
      FormatPattern(a.TemporaryCompensatingDensity[previous], "0.00E+00") + " cm^-3.";
  label[3] = "The negative compensating density means that energy levels shallower than " +
             FormatPattern(a.EnergyLevel[previous], "0.####") + " eV may exist.";
}

}  // namespace korv::ui
