#!/usr/bin/env bash
# Regenerates the samples of what a listener should hear, each from its source with a real
# producer: pandoc writes reading.epub and reading.html from reading.md; LibreOffice writes
# notes.docx and notes.odt from notes.fodt; python3-reportlab draws journal.pdf, a journal
# page set in two columns with running heads, page numbers and footnotes, and writes what
# a person reads on it to journal.pdf.spoken.txt. The other *.spoken.txt files are written
# by hand.
# Needs: pandoc, libreoffice-writer-nogui, python3-reportlab.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pandoc reading.md -o reading.epub
pandoc reading.md -s -o reading.html
for format in docx odt; do
  HOME="$work" soffice --headless --convert-to "$format" --outdir "$work" notes.fodt >/dev/null
  cp "$work/notes.$format" "notes.$format"
done
/usr/bin/python3 journal.py journal.pdf journal.pdf.spoken.txt
