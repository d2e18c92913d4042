# Tells text drawn with real glyphs from text drawn as "missing glyph" boxes,
# in a screenshot. A font without Japanese glyphs draws each such character
# as the same hollow rectangle: a column of ink from top to bottom, columns
# with ink only at that top and bottom ("rails"), and another full column.
# Real glyphs of Japanese and Latin text rarely look like that (ロ and 口 do,
# once each in the program's texts), so two or more boxes in one text mean
# boxes. Needs lib.sh (and ImageMagick).

# text_scan FILE X Y W H: crops the rectangle and prints "SEGMENTS BOXES":
# the pieces of ink separated by blank columns within each line of text at
# least 6 pixels high, and the boxes among them. The ground is the crop's
# most common grey; ink is any pixel more than 20 levels (of 255) away from
# it, so dark text on light and light text on dark both work, and the faint
# edges of smoothed text count.
text_scan() {
    local file=$1 x=$2 y=$3 w=$4 h=$5
    convert "$file" -crop "${w}x${h}+${x}+${y}" +repage -colorspace gray -depth 8 -compress none pgm:- | awk '
        NR == 1 { next }
        { for (i = 1; i <= NF; i++) tok[t++] = $i }
        END {
            W = tok[0]; H = tok[1]
            for (i = 3; i < t; i++) { v[i - 3] = tok[i]; hist[tok[i]]++ }
            best = -1
            for (g in hist) if (hist[g] > best) { best = hist[g]; ground = g + 0 }
            for (i = 0; i < W * H; i++) {
                d = v[i] - ground
                m[int(i / W), i % W] = (d > 20 || d < -20)
            }
            segments = 0; boxes = 0
            y = 0
            while (y < H) {
                # A line of text: consecutive rows with ink.
                while (y < H && !row_ink(y)) y++
                if (y >= H) break
                top = y
                while (y < H && row_ink(y)) y++
                bottom = y - 1
                if (bottom - top + 1 < 6) continue
                scan_line(top, bottom)
            }
            print segments, boxes
        }
        function ink(y, x) { return m[y, x] }
        function row_ink(y,   x) { for (x = 0; x < W; x++) if (ink(y, x)) return 1; return 0 }
        # Rows of ink in column x between t and b: sets first, last, count
        # and runs (the number of separate vertical runs).
        function column(x, t, b,   yy, prev) {
            first = -1; last = -1; count = 0; runs = 0; prev = 0
            for (yy = t; yy <= b; yy++) {
                if (ink(yy, x)) {
                    if (first < 0) first = yy
                    last = yy; count++
                    if (!prev) runs++
                    prev = 1
                } else prev = 0
            }
        }
        function scan_line(t, b,   x, in_seg, a, z, rails, have_edge, near) {
            in_seg = 0; have_edge = 0; rails = 0
            for (x = 0; x < W; x++) {
                column(x, t, b)
                if (count == 0) { in_seg = 0; have_edge = 0; rails = 0; continue }
                if (!in_seg) { segments++; in_seg = 1 }
                full = (runs == 1 && last - first + 1 >= 6)
                if (have_edge && rails >= 2 && full && first >= a - 1 && first <= a + 1 && last >= z - 1 && last <= z + 1) {
                    boxes++
                    have_edge = 0; rails = 0
                    continue
                }
                # A rail: ink only near the edge column top and bottom rows.
                if (have_edge && runs == 2 && first >= a - 1 && first <= a + 1 && last >= z - 1 && last <= z + 1 &&
                    count <= 4) {
                    rails++
                    continue
                }
                if (full && rails == 0) { have_edge = 1; a = first; z = last; continue }
                if (full) { have_edge = 1; a = first; z = last; rails = 0; continue }
                have_edge = 0; rails = 0
            }
        }'
}

# text_check FILE X Y W H MIN_SEGMENTS WHAT: judges the text in the
# rectangle; it is wrong when drawn as boxes or when it holds fewer than
# MIN_SEGMENTS pieces (so a text drawn as nothing is wrong too). Keeps the
# crop as $E2E_ARTIFACTS/text-WHAT.png. A wrong text is noted in
# TEXT_FAILURES, so that one run shows every surface; text_verdict fails the
# test then.
TEXT_FAILURES=()
text_check() {
    local file=$1 x=$2 y=$3 w=$4 h=$5 min=$6 what=$7
    local crop=$E2E_ARTIFACTS/text-${what// /-}.png segments boxes
    convert "$file" -crop "${w}x${h}+${x}+${y}" +repage "$crop"
    read -r segments boxes <<<"$(text_scan "$file" "$x" "$y" "$w" "$h")"
    zimmo_say "$what: $segments pieces, $boxes boxes ($crop)"
    if ((boxes >= 2)); then
        TEXT_FAILURES+=("$what: the Japanese text is drawn as boxes ($boxes boxes; $crop)")
    elif ((segments < min)); then
        TEXT_FAILURES+=("$what: $segments pieces of text, expected at least $min ($crop)")
    fi
}

# text_verdict: fails the test when a text_check found a wrong text.
text_verdict() {
    ((${#TEXT_FAILURES[@]} == 0)) && return 0
    local IFS=$'\n'
    e2e_fail "${#TEXT_FAILURES[@]} texts are not drawn as glyphs:"$'\n'"${TEXT_FAILURES[*]}"
}
