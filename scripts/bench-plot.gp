# Per-step cost against board size, from kvpen_bench_report's board-size series.
# Usage: gnuplot -e "data='FILE'; out='PNG'" scripts/bench-plot.gp
set terminal pngcairo size 900,560 font "sans,11"
set output out
set title "Cost of a step against board size (fixed 8000 x 6000 page, 1920 x 1080 view)"
set xlabel "strokes on the board"
set ylabel "median time (µs)"
set logscale xy
set xtics (500, 2000, 8000, 30000)
set grid xtics ytics mytics
set key top left
set datafile missing "NaN"
plot data using 1:2 with linespoints lw 2 pt 7 title "eraser step with its event-loop work", \
     data using 1:3 with linespoints lw 2 pt 5 title "stroke of 40 moves", \
     data using 1:4 with linespoints lw 2 pt 9 title "repaint of the view"
