# SPDX-License-Identifier: MIT
# The chart of docs/benchmarks.png, from the data bench/bench_report.py writes.
# Usage: gnuplot -e "data='FILE'; output='PNG'" bench/bench_chart.gp
set terminal pngcairo size 1800,1000 font "DejaVu Sans,11"
set output output
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.9 border -1
set boxwidth 0.9
set grid ytics
set key top right
set xtics rotate by -35 nomirror
set yrange [0:*]
set offsets 0, 0, graph 0.3, 0   # room for the key above the tallest bars
set multiplot layout 2,3 title "quorvalent against the references (medians; higher is better)" font ",14"

ours = "#1f77b4"; scalar = "#ff7f0e"; libcrypto = "#9a9a9a"

set title "Linux x86-64 digest engine, 16 KiB messages"
set ylabel "MB/s"
plot data index 0 using 2:xtic(1) title "ours" lc rgb ours, \
     '' index 0 using 3 title "libcrypto scalar" lc rgb scalar, \
     '' index 0 using 4 title "libcrypto (SHA-NI, AVX2)" lc rgb libcrypto

set title "Linux 32-bit (the DLL's code generation), 16 KiB"
plot data index 1 using 2:xtic(1) title "ours" lc rgb ours, \
     '' index 1 using 3 title "libcrypto scalar (SSE2, MMX)" lc rgb scalar, \
     '' index 1 using 4 title "libcrypto (SHA-NI, SSSE3)" lc rgb libcrypto

set title "wine64: quorvalent.dll vs bcrypt.dll, 64 KiB texts"
plot data index 3 using 4:xtic(1) title "ours: export + FreeMem" lc rgb ours, \
     '' index 3 using 5 title "BCryptHash + hex" lc rgb libcrypto

set title "Linux x86-64 exports, 16 B texts"
set ylabel "thousand calls/s"
plot data index 2 using 2:xtic(1) title "ours: export + FreeMem" lc rgb ours, \
     '' index 2 using 3 title "libcrypto scalar one-shot + hex" lc rgb scalar, \
     '' index 2 using 4 title "libcrypto one-shot + hex" lc rgb libcrypto

set title "wine64: quorvalent.dll vs bcrypt.dll, 16 B texts"
plot data index 3 using 2:xtic(1) title "ours: export + FreeMem" lc rgb ours, \
     '' index 3 using 3 title "BCryptHash + hex" lc rgb libcrypto

unset multiplot
