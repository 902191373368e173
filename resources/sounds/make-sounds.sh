#!/usr/bin/env bash
# Recreates the ten event sounds beside this script: short, soft tones built
# from sine and triangle waves. Every run writes the same bytes: sox's random
# generator is seeded (-R) and dither is off (-D).
set -euo pipefail

out_dir=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sx() { sox -R -D -V1 "$@"; }
raw=(-r 44100 -c 1 -b 32 -e floating-point) # headroom while mixing
final=(-r 44100 -c 1 -b 16 -e signed-integer)

# strike FILE SECONDS FREQ [WAVE] [OVERTONE]: one struck note: a 5 ms attack
# and a decay over its whole length, with a quiet octave above it so that it
# rings like a small bell rather than beeps.
strike() {
  local file=$1 len=$2 freq=$3 wave=${4:-sine} overtone=${5:-0.25}
  sx -n "${raw[@]}" "$work/f.wav" synth "$len" "$wave" "$freq"
  sx -n "${raw[@]}" "$work/o.wav" synth "$len" sine "$(awk "BEGIN{print $freq*2}")"
  sx -m -v 1 "$work/f.wav" -v "$overtone" "$work/o.wav" "$work/$file.wav" \
    fade q 0.005 "$len" "$(awk "BEGIN{print $len-0.005}")" fade l 0 "$len" "$len"
}

# sweep FILE SECONDS FROM-TO [WAVE]: a gliding blip, rounded at both ends.
sweep() {
  local file=$1 len=$2 range=$3 wave=${4:-sine}
  sx -n "${raw[@]}" "$work/$file.wav" synth "$len" "$wave" "$range" \
    fade h 0.01 "$len" "$(awk "BEGIN{print $len*0.6}")"
}

# place OUT NOTE@SECONDS...: lays notes on a common time line; they may overlap.
place() {
  local out=$1; shift
  if (( $# == 1 )); then
    cp "$work/${1%@*}.wav" "$work/$out.wav"
    return
  fi
  local inputs=() note
  for note in "$@"; do
    sx "$work/${note%@*}.wav" "${raw[@]}" "$work/pad-${note/@/-}.wav" pad "${note#*@}" 0
    inputs+=(-v 1 "$work/pad-${note/@/-}.wav")
  done
  sx -m "${inputs[@]}" "$work/$out.wav"
}

# finish IN NAME PEAK-DB [EFFECT...]: the WAV the program plays, its loudest
# sample at PEAK-DB so that no sound clips and none startles.
finish() {
  local in=$1 name=$2 peak=$3; shift 3
  sx "$work/$in.wav" "${final[@]}" "$out_dir/$name" "$@" norm "$peak"
}

# A new item arrived: a rising two-note chime (E6, then B6).
strike u1 0.40 1318.5
strike u2 0.45 1975.5
place update u1@0 u2@0.12
finish update update.wav -7

# A download failed: two soft low buzzes, the edges filtered away.
strike e 0.13 196 triangle 0
place error e@0 e@0.17
finish error error.wav -6 lowpass 900

# Something needs attention: two descending notes (A5, F5).
strike w1 0.25 880 triangle 0.15
strike w2 0.32 698.5 triangle 0.15
place warning w1@0 w2@0.15
finish warning warning.wav -7 lowpass 3000

# No network: three descending notes (G5, E5, C5), the last one ringing out.
strike n1 0.22 784
strike n2 0.22 659.3
strike n3 0.38 523.3
place noconnect n1@0 n2@0.12 n3@0.24
finish noconnect noconnect.wav -7

# The side panel opens: a quiet, quick arpeggio high up (C7 E7 G7 C8).
strike z1 0.30 2093
strike z2 0.30 2637
strike z3 0.30 3136
strike z4 0.40 4186
place zenshow z1@0 z2@0.05 z3@0.10 z4@0.15
finish zenshow zenshow.wav -12

# A feed was added / removed: a quick blip up / down.
sweep a 0.16 700-1400
finish a add.wav -8
sweep d 0.16 1300-650
finish d del.wav -8

# A feed was read: a light high ping (G6).
strike ok 0.30 1568
finish ok itemok.wav -9

# A feed could not be read: a muted low thud.
sweep fail 0.20 150-70
finish fail itemfail.wav -4 lowpass 400

# A feed was read and held nothing: one hollow low tone (D4, odd harmonics only).
strike empty 0.35 293.7 triangle 0
finish empty itemempty.wav -7 lowpass 1200
