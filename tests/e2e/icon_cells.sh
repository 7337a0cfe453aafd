# Sourced by the package tests: the program icon's 4 x 4 cells, top row first:
# Y yellow, M magenta, C cyan, '.' clear, '?' else (a blend, a half-clear or grey pixel).
icon_layout=..YYM.YYMMC.MCCC

# cells_of: the cells from 16 lines "R G B A", one pixel of each cell.
cells_of() {
  awk '{
    hue = ($1 > 100) ($2 > 100) ($3 > 100); pure = ($1 < 40 || $1 > 100) && ($2 < 40 || $2 > 100) && ($3 < 40 || $3 > 100)
    printf "%s", $4 == 0 ? "." : $4 < 255 || !pure ? "?" : hue == "110" ? "Y" : hue == "101" ? "M" : hue == "011" ? "C" : "?" }'
}

# expect_icon PICTURE: a square picture ImageMagick reads has the icon's cells.
expect_icon() {
  local cells
  cells=$(convert "$1" -sample 4x4 -depth 8 rgba:- | od -An -v -tu1 -w4 | cells_of)
  [ "$cells" = "$icon_layout" ] || fail "the cells of $1 are $cells"
}
