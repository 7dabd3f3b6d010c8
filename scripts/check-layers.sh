#!/usr/bin/env bash
# Fails when a source file includes a folder above its own layer. The layers, lowest first:
#   link, imagelib, movie  ->  base  ->  protocol  ->  transfer  ->  console, playback  ->  program
# with ctl (zrkctl) and camsim (zrkcam) beside the program. Only folder-qualified includes
# ("transfer/...") are checked; tests/ and bench/ may include anything.
set -euo pipefail
cd "$(dirname "$0")/.."

# What each folder may include besides itself.
declare -A allowed=(
  [link]=""
  [imagelib]=""
  [movie]=""
  [base]="link imagelib movie"
  [protocol]="link imagelib movie base"
  [transfer]="link imagelib movie base protocol"
  [console]="link imagelib movie base protocol transfer"
  [playback]="link imagelib movie base protocol transfer"
  [program]="link imagelib movie base protocol transfer console playback"
  [ctl]="link imagelib movie base protocol transfer console playback program"
  [camsim]="imagelib"
)
known="${!allowed[*]}"

bad=0
for dir in "${!allowed[@]}"; do
  [ -d "$dir" ] || continue
  while IFS=: read -r file line target; do
    [ "$target" = "$dir" ] && continue
    case " $known " in *" $target "*) ;; *) continue ;; esac
    case " ${allowed[$dir]} " in *" $target "*) continue ;; esac
    echo "layer violation: $file:$line includes $target/ (above or beside $dir/)"
    bad=1
  done < <(grep -rnoE --include='*.h' --include='*.cpp' '^#include "[a-z]+/' "$dir" |
    sed -E 's/^([^:]+):([0-9]+):#include "([a-z]+)\//\1:\2:\3/')
done
if [ $bad = 0 ]; then echo "layers: every include points down"; fi
exit $bad
