#include "materials/SemiconductorTable.h"

namespace korv {

namespace {

using Row = SemiconductorRow;

// Cell texts exactly as shown, trailing blanks included. Masses in m0; the electron
// mass of a multi-valley material is the density-of-states mass of one valley,
// (ml mt^2)^(1/3). Values from the handbooks of the references below.
constexpr std::array<Row, kSemiconductorTableRows> kCells{{
    {"Material", "Electron mass", "ml", "mt", "Mc", "Hole mass", "mlh", "mhh", "Dielectric constant e)",
     "Crystal structure", "Band structure", "Bandgap [eV]", "References"},
    {"Si", "0.32", "0.92", "0.19", "6", "0.59", "0.15", "0.54", "11.9", "Diamond", "Indirect  a)", "1.12 (300 K)",
     "1), 2)"},
    {"GaAs", "0.063", "", "", "1", "0.52", "0.076", "0.50", "12.4", "Zinc-blende", "Direct", "1.42 (300 K)", "1)"},
    {"3C-SiC", "0.35", "0.68", "0.25", "3", "0.6", "?", "?", "9.72", "Zinc-blende", "Indirect c)", "2.36 (300 K)",
     "3)"},
    {"4H-SiC", "0.37", "0.29", "0.42", "3", "1 ?", "?", "?", "9.66", "Hexagonal", "Indirect c)", "3.23 (300 K)", "3)"},
    {"6H-SiC", "0.71", "2.0", "0.42", "6", "1 ?", "?", "?", "9.66", "Hexagonal", "Indirect g)", "3.0 (300 K)", "3)"},
    {"Ge", "0.22", "1.57", "0.082", "4", "0.29", "0.04", "0.28", "16.2", "Diamond", "Indirect  b)", "0.66 (300 K)",
     "1), 2)"},
    {"AlN", "0.4", "", "", "1", "7.26", "0.24", "10.42", "8.5", "Wurtzite", "Direct", "6.2 (300 K)", "3)"},
    {"AlP", "0.54", "3.67", "0.212", "3", "0.6", "?", "?", "9.8", "Zinc-blende", "Indirect c)", "2.45 (300 K)", "2)"},
    {"AlAs", "0.34", "1.1", "0.19", "3", "0.47", "0.15", "0.76", "10", "Zinc-blende", "Indirect c)", "2.16 (300 K)",
     "1), 2)"},
    {"AlSb", "0.5", "1.8", "0.26", "3", "0.38", "0.11", "0.4", "12", "Zinc-blende", "Indirect c)", "1.62 (300 K)",
     "1), 2)"},
    {"BN", "0.75", "?", "?", "3", "0.43", "?", "?", "7.1", "Zinc-blende", "Indirect c)", "6.4 (300 K)", "3)"},
    {"alpha-GaN", "0.22", "", "", "1", "1.5", "1.4", "0.3", "8.9", "Wurtzite", "Direct", "3.39 (300 K)", "1), 3)"},
    {"beta-GaN", "0.13", "", "", "1", "1.4", "?", "?", "9.7", "Zinc-blende", "Direct", "3.2 (300 K)", "3)"},
    {"GaP", "0.67", "4.8?", "0.25", "3", "0.73", "0.14", "0.79", "11.1", "Zinc-blende", "Indirect c)", "2.26 (300 K)",
     "1), 4)"},
    {"GaSb", "0.041", "", "", "1", "0.29", "0.05", "0.4", "15.7", "Zinc-blende", "Direct", "0.72 (300 K)", "1), 4)"},
    {"InN", "0.12", "", "", "1", "0.56", "?", "?", "9.3", "Wurtzite", "Direct", "1.89 (300 K)", "3)"},
    {"InP", "0.079", "", "", "1", "0.6", "0.089", "0.6", "12.6", "Zinc-blende", "Direct", "1.34 (300 K)", "1), 4)"},
    {"InAs", "0.021", "", "", "1", "0.35", "0.026", "0.41", "15.1", "Zinc-blende", "Direct", "0.35 (300 K)", "1), 4)"},
    {"InSb", "0.014", "", "", "1", "0.34", "0.015", "0.43", "16.8", "Zinc-blende", "Direct", "0.17 (300 K)", "1), 4)"},
    {"Diamond", "0.57", "1.4", "0.36", "6 ", "1.21", "0.36", "1.08", "5.7", "Diamond", "Indirect  a)", "5.47 (300 K)",
     "1), 2)"},
    {"CdS", "0.21", "", "", "1", "0.8", "?", "?", "5.4", "Wurtzite", "Direct", "2.42 (300 K)", "1)"},
    {"CdSe", "0.13", "", "", "1", "0.45", "?", "?", "10.0", "Wurtzite", "Direct", "1.70 (300 K)", "1)"},
    {"CdTe", "0.1", "", "", "1", "0.37", "?", "?", "10.2", "Zinc-blende", "Direct", "1.56 (300 K)", "1)"},
    {"ZnO", "0.27", "", "", "1", "1.8", "?", "?", "9.0", "Wurtzite", "Direct", "3.35 (300 K)", "1)"},
    {"ZnS", "0.4", "", "", "1", "? (1)", "?", "?", "8.9", "Zinc-blende", "Direct", "3.68 (300 K)", "5)"},
    {"ZnSe", "0.14", "", "", "1", "0.6", "?", "?", "9.2", "Zinc-blende", "Direct", "2.70 (300 K)", "1), 5)"},
    {"ZnTe", "0.18", "", "", "1", "0.65", "?", "?", "10.4", "Zinc-blende", "Direct", "2.26 (300 K)", "1)"},
    {"PbS", "0.22 h)", "", "", "1", "0.29", "?", "?", "17", "Rock-salt", "Direct d)", "0.41 (300 K)", "1)"},
    {"PbSe", "0.12 h)", "", "", "1", "? (1)", "?", "?", "210", "Rock-salt", "Direct d)", "0.27 (300 K)", "1), 2)"},
    {"PbTe", "0.17 h)", "", "", "1", "0.2", "?", "?", "30", "Rock-salt", "Direct d)", "0.31 (300 K)", "1)"},
    {"gamma-CuCl", "0.5", "", "", "1", "2", "?", "?", "7.9", "Zinc-blende", "Direct", "3.40 (4 K)", "6)"},
    {"gamma-CuBr", "0.21", "", "", "1", "2.2", "?", "?", "6.4", "Zinc-blende", "Direct", "3.08 (4 K)", "6)"},
    {"gamma-CuI", "0.3", "", "", "1", "2.4", "?", "?", "6.5", "Zinc-blende", "Direct", "3.12 (4 K)", "6)"},
    {"AgCl", "0.3", "?", "?", "4", "? (1)", "?", "?", "?(10)", "Rock-salt", "Indirect", "3.25 (4 K)", "6)"},
    {"AgBr", "0.29", "?", "?", "4", "? (1)", "?", "?", "12.4", "Rock-salt", "Indirect", "2.68 (4 K)", "6)"},
    {"beta-AgI", "0.23", "", "", "1", "? (1)", "?", "?", "7.0", "Wurtzite", "Direct", "2.91 (4 K)", "6)"},
    {"Ga2Se3", "9.35", "", "", "1", "12.5", "?", "?", "?(10)", "Zinc-blende (defect)", "Direct", "2.0 (300 K)", "6)"},
    {"In2Se3", "0.24", "", "", "1", "? (1)", "?", "?", "16.7", "Hexagonal", "Direct", "1.36 (300 K)", "6)"},
    {"In2Te3", "1.43", "", "", "1", "3.86", "?", "?", "12.3", "Zinc-blende (defect)", "Direct", "1.0 (300 K)", "6)"},
    {"CuAlTe2", "0.13", "", "", "1", "0.69", "?", "?", "10.9", "Chalcopyrite", "Direct", "2.06 (300 K)", "6)"},
    {"CuInS2", "0.03", "", "", "1", "1.3", "?", "?", "?(10)", "Chalcopyrite", "Direct", "1.53 (300 K)", "6)"},
    {"CuInSe2", "0.087", "", "", "1", "0.087?", "?", "?", "15.2", "Chalcopyrite", "Direct", "1.04 (300 K)", "6)"},
    {"ZnSiP2", "0.11", "?", "?", "3", "0.4", "?", "?", "11.7", "Chalcopyrite", "Indirect", "2.07 (300 K)", "6)"},
    {"ZnGeP2", "0.11", "", "", "1", "0.79", "?", "?", "15", "Chalcopyrite", "Direct", "2.0 (300 K)", "6)"},
    {"ZnGeAs2", "0.059", "", "", "1", "0.38", "?", "?", "15", "Chalcopyrite", "Direct", "1.15 (300 K)", "6)"},
    {"ZnSnAs2", "0.048", "", "", "1", "0.35", "?", "?", "15.6", "Chalcopyrite", "Direct", "0.73 (300 K)", "6)"},
    {"ZnSnSb2", "0.025", "", "", "1", "0.25", "?", "?", "? (15)", "Chalcopyrite", "Direct", "0.4 (300 K)", "6)"},
    {"CdSiAs2", "0.08", "", "", "1", "1.07", "?", "?", "? (15)", "Chalcopyrite", "Direct", "1.55 (300 K)", "6)"},
    {"CdGeP2", "0.085", "", "", "1", "0.56", "?", "?", "? (15)", "Chalcopyrite", "Direct", "1.72 (300 K)", "6)"},
    {"CdGeAs2", "0.26", "", "", "1", "0.035", "?", "?", "18.4", "Chalcopyrite", "Direct", "0.57 (300 K)", "6)"},
    {"CdSnAs2", "0.05", "", "", "1", "0.5", "?", "?", "12.1", "Chalcopyrite", "Direct", "0.26 (300 K)", "6)"},
    {"Cu3SbSe4", "? (1)", "", "", "1", "0.73", "?", "?", "?(10)", "Tetragonal", "?", "0.4 (300 K)", "6)"},
    {"CdIn2S4", "0.3 h)", "?", "?", "? (1)", "? (1)", "?", "?", "17", "Spinel", "Indirect", "2.21 (300 K)", "6)"},
    {"CdIn2Se4", "0.15", "", "", "1", "? (1)", "?", "?", "17", "Tetragonal", "Direct", "1.55 (300 K)", "6)"},
    {"beta-B", "4.5", "", "", "1", "1.8", "?", "?", "10.6", "Rhombohedral", "Indirect", "1.56 (300 K)", "2)"},
    {"P", "0.24", "", "", "1", "0.26", "?", "?", "?(10)", "Orthorhombic", "Direct", "0.33 (300 K)", "2)"},
    {"Cu2O", "0.99", "", "", "1", "0.58", "?", "?", "7.11", "Cubic", "Direct", "2.17 (4 K)", "6)"},
    {"Cu2S", "? (1)", "", "", "1", "1.8", "?", "?", "?(11)", "Monoclinic", "Indirect", "1.2 (300 K)", "6)"},
    {"Cu2Se", "? (1)", "", "", "1", "0.5", "?", "?", "?(11)", "Cubic", "Indirect", "1.23 (300 K)", "6)"},
    {"Cu2Te", "? (1)", "", "", "1", "0.39", "?", "?", "?(11)", "Hexagonal", "?", "1.04 (300 K) ", "6)"},
    {"Ag2O", "0.7", "", "", "1", "1.9", "?", "?", "?(10)", "Cubic", "?", "1.2 (300 K) ", "6)"},
    {"alpha-Ag2S", "4.65", "", "", "1", "7.59", "?", "?", "?(10)", "Monoclinic", "Direct", "1.0 (300 K) ", "6)"},
    {"beta-Ag2S", "0.23", "", "", "1", "0.23", "?", "?", "?(10)", "Cubic", "?", "0.6 (500 K) ", "6)"},
    {"Ag2Se", "0.32", "", "", "1", "0.54", "?", "?", "?(10)", "Orthorhombic", "Direct", "0.15 (300 K) ", "6)"},
    {"alpha-Ag2Te", "0.026", "", "", "1", "? (1)", "?", "?", "?(10)", "Monoclinic", "Direct", "0.17 (300 K) ", "6)"},
    {"beta-Ag2Te", "0.077", "", "", "1", "1.5", "?", "?", "?(10)", "Cubic (fcc)", "?", "? ", "6)"},
    {"gamma-Ag2Te", "0.077", "", "", "1", "1.5", "?", "?", "?(10)", "Cubic (bcc)", "?", "? ", "6)"},
    {"Mg2Si", "0.46", "?", "?", "3", "0.87", "?", "?", "20", "Antifluorite", "Indirect c)", "0.77 (300 K) ", "2)"},
    {"Mg2Ge", "0.18", "?", "?", "3", "0.31", "?", "?", "21.7", "Antifluorite", "Indirect c)", "0.74 (300 K) ", "2)"},
    {"Mg2Sn", "0.58", "?", "?", "3", "0.1", "?", "?", "23.8", "Antifluorite", "Indirect c)", "0.36 (300 K) ", "2)"},
    {"Zn3As4", "0.65", "", "", "1", "1.7", "?", "?", "?(10)", "Tetragonal", "Direct", "1.0 (300 K) ", "6)"},
    {"Cd3P2", "0.045", "", "", "1", "0.54", "?", "?", "37", "Tetragonal", "Direct", "0.55 (300 K) ", "6)"},
    {"ZnSb", "0.15", "", "", "1", "0.4", "?", "?", "?(10)", "Orthorhombic", "Indirect", "0.53 (300 K) ", "6)"},
    {"CdSb", "0.6", "", "", "1", "0.48", "?", "?", "16.4", "Orthorhombic", "Indirect", "0.46 (300 K) ", "6)"},
    {"Zn4Sb3", "? (1)", "", "", "1", "0.12", "?", "?", "?(10)", "Rhombohedral", "?", "0.26 (300 K) ", "6)"},
    {"HgI2", "0.35", "0.31", "0.37", "4?", "2.5?", "1.03?", "2.06?", "8.3", "Tetragonal", "Indirect f)",
     "2.14[direct] (300 K) ", "6)"},
    {"GaS", "? (1)", "", "", "1", "? (1)", "?", "?", "?(10)", "Hexagonal", "Indirect", "2.59 (300 K) ", "6)"},
}};

constexpr std::array<std::string_view, 6> kReferences{{
    "1) S. M. Sze, Physics of Semiconductor Devices, 2nd ed., John Wiley & Sons, New York, 1981, pp. 848-850.",
    "2) O. Madelung, Semiconductors: Data Handbook, 3rd ed., Springer-Verlag, Berlin, 2004, pp. 1-691.",
    "3) M. E. Levinshtein, S. L. Rumyantsev and M. S. Shur (eds.), Properties of Advanced Semiconductor Materials: "
    "GaN, AlN, InN, BN, SiC, SiGe, John Wiley & Sons, New York, 2001, pp. 1-194.",
    "4) M. Levinshtein, S. Rumyantsev and M. Shur (eds.), Handbook Series on Semiconductor Parameters, Vol. 1: Si, Ge, "
    "C (Diamond), GaAs, GaP, GaSb, InAs, InP, InSb, World Scientific, Singapore, 1996, pp. 1-218.",
    "5) S. Adachi, Properties of Group-IV, III-V and II-VI Semiconductors, John Wiley & Sons, Chichester, 2005, "
    "pp. 1-387.",
    "6) O. Madelung (ed.), Semiconductors Other than Group IV Elements and III-V Compounds, Data in Science and "
    "Technology, Springer-Verlag, Berlin, 1992, pp. 1-164.",
}};

constexpr std::array<std::string_view, 8> kComments{{
    // sic: the table's own text, misspellings included
    "a) The lowest minima of the conduction band are located along the Delta-axes of the Brilliouin zone.",
    "b) The lowest minima of the conduction band are located at the L points of the Brillouin zone.",
    "c) The lowest minima of the conduction band are located at the X points of the Brillouin zone.",
    "d) The extrema of the conduction and valence bands are located at the L points of the Brillouin zone.",
    "e) This is the static dielectric constant.",
    // sic: the table's own text, misspellings included
    "f) The energy bandgap occures along the Gamma-M direction.",
    "g) The lowest minima of the conduction band are located at the M points of the Brillouin zone.",
    "h) This is the electron effective mass of the density of state for all valleys of conduction band.",
}};

constexpr std::array<std::string_view, 4> kNotes{{
    "Examples of symbols",
    "? : not reported.",
    "4? : 4 and other values are reported.",
    "?(10) : not reported, so tentatively assumed as 10 here.",
}};

constexpr std::array<int, kSemiconductorTableColumns> kColumnWidths{
    {80, 85, 44, 42, 43, 77, 45, 44, 108, 115, 95, 101, 74}};

}  // namespace

std::span<const SemiconductorRow> SemiconductorTable() { return kCells; }
std::span<const std::string_view> SemiconductorReferences() { return kReferences; }
std::span<const std::string_view> SemiconductorComments() { return kComments; }
std::span<const std::string_view> SemiconductorNotes() { return kNotes; }
std::span<const int> SemiconductorColumnWidths() { return kColumnWidths; }

}  // namespace korv
