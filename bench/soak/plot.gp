# Draws a soak run: gnuplot -e "csv='soak.csv'; png='soak.png'" plot.gp
set terminal pngcairo size 1100,900 font "DejaVu Sans,10"
set output png
set datafile separator ","
set datafile columnheaders
set grid
set multiplot layout 3,1 title "NUVIX SDK soak: QCA08, 32 video channels recording (16 MJPG, 16 H.263) into screen division, 16 audio, serial loopback, digital I/O"
set lmargin 12
set rmargin 12
minutes = 'column("elapsed_s") / 60.0'
after_start(name) = column("elapsed_s") > 0 ? column(name) : 1/0

set key bottom right opaque box width 2
set title "Memory (dashed line: end of the first minute)"
set ylabel "resident MB"
set y2label "heap MB"
set ytics nomirror
set y2tics
set arrow 1 from 1, graph 0 to 1, graph 1 nohead dashtype 2 linecolor "gray40"
plot csv using (@minutes):(column("rss_kb") / 1024.0) with linespoints pointtype 7 pointsize 0.5 linewidth 2 title "resident (VmRSS)", \
     csv using (@minutes):(column("heap_kb") / 1024.0) axes x1y2 with linespoints pointtype 7 pointsize 0.5 linewidth 2 title "heap in use (right)"
unset arrow 1
unset y2tics
unset y2label

set title "Frames and bytes per second (over each 10 s period)"
set ylabel "frames/s"
set y2label "MB/s written"
set y2tics
# Bytes on their own axis, scaled to sit halfway up, clear of the frame lines.
stats csv using "write_mb_per_s" name "W" nooutput
set yrange [0:*]
set y2range [0:(W_max > 0 ? 2 * W_max : 1)]
set key bottom right opaque box
plot csv using (@minutes):(after_start("captured_fps")) with lines linewidth 3 title "captured (board)", \
     csv using (@minutes):(after_start("processed_fps")) with points pointtype 6 pointsize 1 title "processed (written)", \
     csv using (@minutes):"shown_captured_fps" with lines linewidth 1 title "shown captured (video tab)", \
     csv using (@minutes):(after_start("write_mb_per_s")) axes x1y2 with lines linewidth 2 title "written MB/s"
unset y2tics
unset y2label
set ytics mirror

set key center right opaque box
set title "Open file descriptors and threads"
set ylabel "count"
set xlabel "minutes under load"
plot csv using (@minutes):"fds" with steps linewidth 2 title "descriptors", \
     csv using (@minutes):"threads" with steps linewidth 2 title "threads"
unset multiplot
