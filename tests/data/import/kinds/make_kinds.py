#!/usr/bin/env python3
"""Writes one export of each common shape from the points of two measurements of known
model (../../datasets/02_si_p_B_comp20.pT, p-type Si:B; 01_si_n_P_lightcomp.nT, n-type
Si:P). Run from this folder; the files are kept in the tree, this script says how they
were made."""
import os

here = os.path.dirname(os.path.abspath(__file__))


def points(name):
    rows = []
    for line in open(os.path.join(here, "..", "..", "datasets", name)):
        if line.startswith("%") or not line.strip():
            continue
        t, n, w = line.split()
        rows.append((t, n))
    return rows


p = points("02_si_p_B_comp20.pT")
n = points("01_si_n_P_lightcomp.nT")
q = 1.6021e-19


def write(name, text):
    with open(os.path.join(here, name), "w", newline="") as f:
        f.write(text)


# 1. Tab-separated with an empty concentration cell in row 27.
rows = ["T (K)\tp (cm-3)\tmu (cm2/Vs)"]
for i, (t, c) in enumerate(p):
    rows.append(f"{t}\t{'' if i == 25 else c}\t2082")
write("k1_empty_cell.txt", "\r\n".join(rows) + "\r\n")

# 2. RFC 4180 CSV, every cell quoted, a remark with a comma and doubled quotes.
remark = 'warm up, ""stable""'
rows = ['"Temperature (K)","p (cm^-3)","Remark"']
for i, (t, c) in enumerate(p):
    rows.append(f'"{float(t):.2f}","{float(c):.6E}","{remark if i == 0 else ""}"')
write("k2_quoted.csv", "\n".join(rows) + "\n")

# 3. A key/value preamble and sections with German markers.
rows = ['"Sample","Si-B-07"', "Thickness,525,um", "[Einstellungen]", "Gain,10", "Averages,5", "[Daten]",
        "T [K],p [cm^-3]"]
rows += [f"{t},{c}" for t, c in p]
write("k3_preamble_markers.csv", "\n".join(rows) + "\n")

# 4a. A units row; densities in m^-3.
rows = ["Temperature\tHole density", "K\tm-3"]
rows += [f"{t}\t{float(c) * 1e6:.6e}" for t, c in p]
write("k4_units_row.txt", "\n".join(rows) + "\n")

# 4b. Units in the names: degrees Celsius and R_H in cm^3/C.
rows = ["Temperature (°C)\tHall Coefficient (cm^3/C)"]
rows += [f"{float(t) - 273.15:.2f}\t{1 / (q * float(c)):.6e}" for t, c in p]
write("k4_celsius_hall.txt", "\n".join(rows) + "\n")

# 4c. Sheet densities, thickness 525 micron in the preamble.
rows = ["Thickness (um): 525", "T (K)\tp_s (cm^-2)"]
rows += [f"{t}\t{float(c) * 525e-4:.6e}" for t, c in p]
write("k4_sheet.txt", "\n".join(rows) + "\n")

# 5. Densities written negative for electrons (n-type Si:P).
rows = ["T(K),Carrier density (cm-3),Mobility"]
rows += [f"{t},{-float(c):.6e},1500" for t, c in n]
write("k5_signed.csv", "\n".join(rows) + "\n")

# 6. A Type column.
rows = ["Type\tT (K)\tDensity (cm-3)"]
rows += [f"P\t{t}\t{c}" for t, c in p]
write("k6_type_column.txt", "\n".join(rows) + "\n")

# 7. Three field values at every temperature.
rows = ["T (K)\tB (T)\tp (cm-3)"]
for t, c in p:
    for b in ("0.50", "1.00", "1.50"):
        rows.append(f"{t}\t{b}\t{c}")
write("k7_repeated_sweeps.txt", "\n".join(rows) + "\n")

# 8. Header values in a preamble.
rows = ["Sample: Si-B-07", "Date: 2024/11/06", "Field (T): 1", "Current (mA): 1", "Thickness (mm): 0.525",
        "T (K)\tp (cm-3)"]
rows += [f"{t}\t{c}" for t, c in p]
write("k8_header_values.txt", "\n".join(rows) + "\n")

# 9. A row of text in the table (refused with its reason; saved with --drop-refused).
rows = ["T (K)\tp (cm-3)"]
for i, (t, c) in enumerate(p):
    rows.append(f"{t}\t{c}")
    if i == 9:
        rows.append("pause\tcryostat refill")
write("k9_refused_row.txt", "\n".join(rows) + "\n")
