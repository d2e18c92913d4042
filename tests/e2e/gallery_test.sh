#!/usr/bin/env bash
# The control gallery (zimmo-gallery.exe) under Wine, driven by the XTest
# pointer: a hovered shine button shows its active look and drops it after
# the pointer leaves; a press and release inside counts a click, a release
# outside does not; a group keeps exactly one member down; the region button
# shows its pressed glyph only when pressed on its figure; "Disable all"
# greys the samples, which then take no clicks. The gallery logs
# its clicks (ZIMMO_GALLERY_LOG); the looks are compared on screenshots,
# which stay in the artefacts.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_init "$@"
export ZIMMO_GALLERY_LOG='C:\zimmo\gallery.log'
log=$E2E_APP_DIR/gallery.log
e2e_start
e2e_wait_window '^Zimmo control gallery$'
zimmo_wait_until "$E2E_TIMEOUT" test -s "$log" || e2e_fail "the gallery wrote no log"
# The log is a Windows text file: lines end in CR LF.
read -r _ ox oy < <(grep -m1 '^show ' "$log" | tr -d '\r')
sleep 1

# Controls of the layout (client coordinates), as screen points.
at() { echo $((ox + $1)) $((oy + $2)); }
# A crop of the screen's current picture: its signature.
look() { # NAME X Y W H
    local shot
    shot=$(e2e_screenshot "$1")
    convert "$shot" -crop "$4x$5+$(($2 + ox))+$(($3 + oy))" +repage -format '%#' info:
}
clicks() { grep -c "^click $1 " "$log" || true; }
last_down() { grep '^click ' "$log" | tail -n 1 | tr -d '\r' | sed 's/.*down=//'; }
settle() { sleep 0.5; }

e2e_pointer move $(at 600 440)
settle
e2e_screenshot gallery-at-rest >/dev/null

# Hover: the Flat button (16, 28, 100 x 32) lights up, then rests again.
rest=$(look flat-rest 16 28 100 32)
e2e_pointer move $(at 60 44)
settle
hover=$(look flat-hover 16 28 100 32)
[[ $hover != "$rest" ]] || e2e_fail "pointing at the Flat button did not change its look"
e2e_pointer move $(at 600 440)
sleep 0.8
again=$(look flat-left 16 28 100 32)
[[ $again == "$rest" ]] || e2e_fail "the Flat button kept its active look after the pointer left"
# Straight out of the window onto the desktop.
e2e_pointer move $(at 60 44)
settle
e2e_pointer move 1000 740
sleep 0.8
outside=$(look flat-left-window 16 28 100 32)
[[ $outside == "$rest" ]] || e2e_fail "the Flat button kept its active look after the pointer left the window"

# Press and release inside: one click. Release outside: none.
e2e_pointer click $(at 60 44)
settle
[[ $(clicks FlatBtn) == 1 ]] || e2e_fail "a click on the Flat button was not counted ($(clicks FlatBtn))"
e2e_pointer down $(at 60 44)
settle
e2e_pointer move $(at 300 60)
settle
e2e_pointer up $(at 300 60)
settle
[[ $(clicks FlatBtn) == 1 ]] || e2e_fail "a release outside the Flat button counted as a click"
e2e_screenshot gallery-after-clicks >/dev/null

# The group of three (One at 16, Two at 82, Three at 148; y 396, 62 x 28).
e2e_pointer click $(at 110 410)
settle
[[ $(last_down) == 01000 ]] || e2e_fail "after a click on Two the group shows $(last_down)"
e2e_pointer click $(at 110 410)
settle
[[ $(last_down) == 01000 ]] || e2e_fail "a second click on Two changed the group: $(last_down)"
e2e_pointer click $(at 176 410)
settle
[[ $(last_down) == 00100 ]] || e2e_fail "after a click on Three the group shows $(last_down)"
e2e_screenshot gallery-group >/dev/null

# The region button at twice its size (448, 28, 48 x 46): a press on a
# see-through corner keeps the normal glyph, a press on the figure shows the
# pressed one until the release.
rest=$(look region-rest 448 28 48 46)
e2e_pointer down $(at 449 29)
settle
corner=$(look region-pressed-corner 448 28 48 46)
e2e_pointer up $(at 449 29)
settle
[[ $corner == "$rest" ]] || e2e_fail "a press on the region button's see-through corner changed its picture"
e2e_pointer down $(at 472 51)
settle
figure=$(look region-pressed-figure 448 28 48 46)
e2e_pointer up $(at 472 51)
settle
[[ $figure != "$rest" ]] || e2e_fail "a press on the region button's figure did not show the pressed glyph"
released=$(look region-released 448 28 48 46)
[[ $released == "$rest" ]] || e2e_fail "the region button kept its pressed glyph after the release"

# "Disable all" (420, 330, 120 x 30) greys the samples and they take no
# clicks; a second click enables them again, the disabled-effects row too.
e2e_pointer click $(at 480 345)
settle
disabled=$(look flat-disabled 16 28 100 32)
e2e_screenshot gallery-disabled >/dev/null
before=$(clicks FlatBtn)
e2e_pointer click $(at 60 44)
settle
[[ $(clicks FlatBtn) == "$before" ]] || e2e_fail "a disabled button counted a click"
e2e_pointer click $(at 480 345)
e2e_pointer move $(at 600 440)
sleep 0.8
enabled=$(look flat-enabled 16 28 100 32)
[[ $disabled != "$enabled" ]] || e2e_fail "disabling did not change the Flat button's look"
e2e_screenshot gallery-enabled >/dev/null

e2e_running || e2e_fail "the gallery ended"
e2e_pass "hover, clicks, the group and the region button behave; screenshots in $E2E_ARTIFACTS"
