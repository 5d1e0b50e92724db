#!/bin/sh
# Writes the man page vesk.1 from what is already written elsewhere: the
# synopsis (the commands), the options and the description (module lookup,
# arguments, the prompt, exit codes, error output) from the "Running scripts"
# section of docs/language.md, the examples from the runner's --help text.
# The few markdown constructs that section uses are turned into roff here:
# paragraphs, fenced blocks, two-column tables, `code`, **bold** and
# [links](...).
# usage: gen-man.sh VESK LANGUAGE_MD VERSION OUT
set -eu
vesk=$1 language=$2 version=$3 out=$4
help=$(mktemp) parts=$(mktemp)
trap 'rm -f "$help" "$parts" "$out.tmp"' EXIT
"$vesk" --help > "$help"
grep -q '^usage: vesk' "$help" || { echo "gen-man.sh: $vesk --help gave no usage text" >&2; exit 1; }
grep -q '^## Running scripts$' "$language" ||
    { echo "gen-man.sh: $language has no \"## Running scripts\" section" >&2; exit 1; }

{
    printf '.TH VESK 1 "" "cVOpenGL %s" "User Commands"\n' "$version"
    printf '.SH NAME\nvesk \\- run Vesk scripts that draw with OpenGL through the cVOpenGL module\n'
    # Text gets its backslashes and hyphens escaped; a line that would start
    # with a control character is shielded with \&. First the examples of
    # the --help text, kept for the end of the page.
    awk '
        function esc(s) { gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s); if (s ~ /^[.'"'"']/) s = "\\&" s; return s }
        /^examples:$/ { part = "examples"; print ".SH EXAMPLES\n.nf"; next }
        part == "examples" && /^[^ ]/ { part = ""; print ".fi" }
        part == "examples" && NF { sub(/^  /, ""); print esc($0) }
        END { if (part != "") print ".fi" }
    ' "$help" > "$parts"
    awk '
        function esc(s) { gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s); return s }
        function shield(s) { if (s ~ /^[.'"'"']/) s = "\\&" s; return s }
        # `code` and **bold** become bold, [text](target) becomes text; a
        # paragraph is converted whole, as code may run across its lines.
        function inline(s,   r, n, i, line, out) {
            s = esc(s)
            while (match(s, /\[[^]]*\]\([^)]*\)/)) {
                r = substr(s, RSTART + 1, RLENGTH - 1); sub(/\]\(.*$/, "", r)
                s = substr(s, 1, RSTART - 1) r substr(s, RSTART + RLENGTH)
            }
            while (match(s, /`[^`]*`/))
                s = substr(s, 1, RSTART - 1) "\\fB" substr(s, RSTART + 1, RLENGTH - 2) "\\fR" substr(s, RSTART + RLENGTH)
            while (match(s, /\*\*[^*]*\*\*/))
                s = substr(s, 1, RSTART - 1) "\\fB" substr(s, RSTART + 2, RLENGTH - 4) "\\fR" substr(s, RSTART + RLENGTH)
            n = split(s, line, "\n")
            out = shield(line[1])
            for (i = 2; i <= n; i++) out = out "\n" shield(line[i])
            return out
        }
        function flush() {
            if (para == "") return
            if (!described++) print ".SH DESCRIPTION"
            print ".PP\n" inline(para)
            para = ""
        }
        function section(name) { flush(); if (!(name in done)) print ".SH " name; done[name] = 1 }
        /^## / { flush(); inside = ($0 == "## Running scripts"); next }
        !inside { next }
        # The first block lists the commands: the synopsis.
        /^```/ {
            flush()
            fenced = !fenced
            if (fenced && !blocks++) { synopsis = 1; print ".SH SYNOPSIS\n.nf"; next }
            if (!fenced && synopsis) { synopsis = 0; print ".fi"; next }
            if (!described++) print ".SH DESCRIPTION"
            print fenced ? ".PP\n.RS 2\n.nf" : ".fi\n.RE"
            next
        }
        fenced { print shield(esc($0)); next }
        # A table of two columns, the options: a tagged paragraph a row.
        /^\|/ {
            if ($0 ~ /^\|[-| ]*\|$/) next
            if (!rows++) { section("OPTIONS"); next }   # the header row
            line = $0; gsub(/\\\|/, "\001", line)
            split(line, cell, "|")
            sub(/^ */, "", cell[2]); sub(/ *$/, "", cell[2])
            sub(/^ */, "", cell[3]); sub(/ *$/, "", cell[3])
            gsub(/\001/, "|", cell[2]); gsub(/\001/, "|", cell[3])
            print ".TP\n" inline(cell[2]) "\n" inline(cell[3])
            next
        }
        /^$/ { rows = 0; flush(); next }
        { para = para == "" ? $0 : para "\n" $0 }
        END { flush() }
    ' "$language"
    sed -n '/^\.SH EXAMPLES/,$p' "$parts"
    cat <<'EOF'
.SH FILES
.TP
\fIPREFIX\fB/lib/cvopengl/\fR
the host library, the windowing layer and the module \fBcVOpenGL.so\fR.
.TP
\fIPREFIX\fB/share/doc/cvopengl/\fR
the docs (\fBdocs/\fR: the language, the host classes and the module in full) and the examples (\fBexamples/tour.vsk\fR draws the tour).
EOF
} > "$out.tmp"
mv "$out.tmp" "$out"
