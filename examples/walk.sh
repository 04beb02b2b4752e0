#!/bin/sh
# The README's walk from markers.phy to a majority-rule consensus tree: 100 bootstrap data sets
# from Marbleset, one parsimony tree each from PHYLIP's pars, and their consensus from consense.
# It works in a folder of its own (./walk, or the folder given as the second argument), so it
# can be run from the installed examples too, and again: PHYLIP's leftover files are removed
# before each program runs, because they change the questions its menus ask.
# Usage: sh walk.sh [MARBLESET-CLI] [FOLDER]
set -eu
cli=${1:-marbleset-cli}
here=$(cd "$(dirname "$0")" && pwd)
work=${2:-./walk}
mkdir -p "$work"
cp "$here/markers.phy" "$work/"
cd "$work"

rm -f markers_bs.phy infile outfile outtree intree
"$cli" bootstraps --datasets 100 --seed 1 --force markers.phy markers_bs.phy
cp markers_bs.phy infile
# I: rows in sequence; V 1: one tree per data set; M D 100: 100 data sets, random seed 7 (odd),
# one jumble; Y: run.
printf 'I\nV\n1\nM\nD\n100\n7\n1\nY\n' | phylip pars >pars.log
mv outtree intree
rm -f outfile
printf 'Y\n' | phylip consense >consense.log
echo "Consensus of the 100 bootstrap trees (outtree):"
cat outtree
