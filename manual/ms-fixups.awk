# Touches on lowdown's groff ms output, for groff's PDF device:
# - an image, which lowdown writes as its caption in bold and its file name,
#   becomes a picture (.PDFPIC, PDF files only) with the caption below it;
# - a table gets fixed column widths instead of stretched ones (text blocks
#   in stretched columns sit in the middle of them), and starts with .LP so
#   it does not inherit a heading's bold font;
# - fractions and letters in brackets stay as typed: "1/2" is a tempo
#   division, not a half sign, and "(C)" the centre, not a copyright sign;
# - a heading never sits alone at the foot of a page;
# - a table of contents of the chapters and sections goes after the title.
#   Its page numbers come from an earlier run of groff on this output, which
#   reports the page of each heading ("MORLAKE-TOC page" lines); the file of
#   those numbers is passed as -v pages=FILE, and without it every number is
#   a placeholder of the same layout.
# Usage: awk -v pages=FILE -f ms-fixups.awk IN.ms IN.ms (read twice: first
# for the headings, then to write).
function widths(n) {
  if (n == 2) return "1.5i 4.2i"
  if (n == 3) return "1.1i 2.5i 2.1i"
  return ""
}
BEGIN {
  if (pages != "")
    while ((getline line < pages) > 0)
      page[++npages] = line
}
function contents(    i) {
  print ".LP"
  print ".ce 1"
  print "\\fBContents\\fR"
  print ".sp 0.5"
  print ".nf"
  print ".ta \\n(.luR"
  print ".tc ."
  for (i = 1; i <= nheads; i++)
    print (level[i] == 1 ? "\\fB" : "\\h'0.3i'") number[i] "\\0\\0" title[i] \
          (level[i] == 1 ? "\\fR" : "") "\t" (i in page ? page[i] : "00")
  print ".tc"
  print ".fi"
  print ".bp"
}
# After the heading's text has been set: report its page.
function headingSet() {
  if (!waiting) return
  print ".tm MORLAKE-TOC \\n%"
  waiting = 0
}
function format(line, last,    n, w, i, out, f) {
  n = split(line, f, " ")
  sub(/\.$/, "", f[n])
  split(widths(n), w, " ")
  out = ""
  for (i = 1; i <= n; i++)
    out = out (i > 1 ? " " : "") f[i] (w[i] != "" ? "w(" w[i] ")" : "")
  return out (last ? "." : "")
}
NR == FNR {
  if (previous ~ /^\.NH [12]$/) {
    n = ++nheads
    level[n] = substr(previous, 5) + 0
    if (level[n] == 1) { h1++; h2 = 0; number[n] = h1 "." }
    else { h2++; number[n] = h1 "." h2 "." }
    title[n] = $0
  }
  previous = $0
  next
}
{ gsub(/\\\(12/, "1/2"); gsub(/\\\(14/, "1/4"); gsub(/\\\(34/, "3/4")
  gsub(/\\\(co/, "(C)"); gsub(/\\\(rg/, "(R)"); gsub(/\\\(tm/, "(TM)") }
/^\.NH/ && !contentsDone { contents(); contentsDone = 1 }
/^\.NH/ {
  headingSet()
  print ".ne 1.5i"
  print
  waiting = /^\.NH [12]$/
  next
}
/^\.(LP|PP|IP)/ && waiting { print; headingSet(); next }
/^\\fB.*\\fR \(Image: \\fI.*\\fR\)$/ {
  caption = $0; sub(/^\\fB/, "", caption); sub(/\\fR \(Image: .*$/, "", caption)
  file = $0; sub(/^.*\(Image: \\fI/, "", file); sub(/\\fR\)$/, "", file)
  print ".PDFPIC -C " file " 6i"
  print ".ce 1"
  print "\\fI" caption "\\fR"
  print ".sp 0.5"
  next
}
/^\.TS/ { print ".LP"; headingSet(); print; intable = 1; next }
intable && /^tab\(/ { sub(/expand /, ""); print; next }
intable && /\.$/ { print format($0, 1); intable = 0; next }
intable { print format($0, 0); next }
{ print }
