#!/bin/sh
# Installed as /usr/games/stapelix; the menu entry runs it. The game reads and
# writes Stapelix.ini and Highscores.txt in its working directory and draws
# its blocks with Images/Block.bmp there, so it starts in the player's data
# folder, made on first start with the packaged texture copied in. A texture
# or files already there are the player's and stay as they are.
set -e
# Paths relative to this script, so an unpacked but not installed tree runs too.
prefix=$(dirname "$(dirname "$(readlink -f "$0")")")
# The XDG base directory rule: an unset, empty or relative XDG_DATA_HOME
# means ~/.local/share.
case "${XDG_DATA_HOME:-}" in
  /*) data=$XDG_DATA_HOME/stapelix ;;
  *) data=$HOME/.local/share/stapelix ;;
esac
mkdir -p "$data/Images"
[ -e "$data/Images/Block.bmp" ] || cp "$prefix/share/games/stapelix/Block.bmp" "$data/Images/Block.bmp"
cd "$data"
exec "$prefix/lib/games/stapelix/stapelix" "$@"
