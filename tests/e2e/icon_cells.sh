# Sourced by the package tests: the program icon read back as its 4 x 4
# cells, top row first: Y yellow, M magenta, C cyan, '.' clear, '?' anything
# else (a blend, a half-transparent or a grey pixel).
icon_layout=..YYM.YYMMC.MCCC

# cells_of: the cells from 16 lines "R G B A", one pixel of each cell.
cells_of() {
  awk '{
    hue = ($1 > 100) ($2 > 100) ($3 > 100); pure = ($1 < 40 || $1 > 100) && ($2 < 40 || $2 > 100) && ($3 < 40 || $3 > 100)
    printf "%s", $4 == 0 ? "." : $4 < 255 || !pure ? "?" : hue == "110" ? "Y" : hue == "101" ? "M" : hue == "011" ? "C" : "?" }'
}

# icon_cells PICTURE: the cells of a square picture that ImageMagick reads.
icon_cells() { convert "$1" -sample 4x4 -depth 8 rgba:- | od -An -v -tu1 -w4 | cells_of; }
