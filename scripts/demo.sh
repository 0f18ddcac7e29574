#!/usr/bin/env bash
# Sets up, builds and runs the main job on the bundled demo project, in a copy
# of examples/demo (build/demo): the IDE stand-in registers the plug-in and
# compiles each PLC, which generates every controller's code; then the
# headless tools show a controller, its report and a plant step response, and
# the soft PLC runs the generated program with Chiller regulating its
# simulated plant through a set-point step, Chiller is tuned from a recording
# of that step, and Dryer by its PLC's autotuner.
# It builds only what it runs (velmora, velmora-host, the plug-in module and the
# help books; scripts/test.sh builds the tests), one line per build step.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== build: the two commands and the plug-in module (first time: minutes; ccache speeds up later ones)"
bash scripts/build.sh --target velmora_programs
BIN=$(pwd)/${BUILD_DIR:-build}/bin
OUT=$(pwd)/${DEMO_DIR:-build/demo}
rm -rf "$OUT"; mkdir -p "$OUT"; cp -r examples/demo/. "$OUT"
export VELMORA_REGISTRY=${VELMORA_REGISTRY:-$OUT/registry.ini}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

if [ -x "$BIN/velmora-host" ] && [ -e "$BIN/libVelmora.so" ]; then
  echo "== velmora-host: register the plug-in, compile PLC1 and PLC2"
  "$BIN/velmora-host" register "$BIN/libVelmora.so"
  "$BIN/velmora-host" compile --project "$OUT" --plc PLC1 /USELOGFILE
  "$BIN/velmora-host" compile --project "$OUT" --plc PLC2 /USELOGFILE
else
  echo "== velmora generate (built without the host)"
  "$BIN/velmora" generate --project "$OUT" --plc PLC1
  "$BIN/velmora" generate --project "$OUT" --plc PLC2
fi
echo "== generated files"
(cd "$OUT" && ls -1 Velmora/)
echo "== controller Boiler as the generator reads it (first lines)"
"$BIN/velmora" controller show --project "$OUT" --plc PLC1 --name Boiler | head -12
echo "== report of PLC1"
"$BIN/velmora" report --project "$OUT" --plc PLC1 --output "$OUT/PLC1-report.txt"
head -30 "$OUT/PLC1-report.txt"
echo "== plant of Boiler, 20 steps at 50 %"
"$BIN/velmora" simulate --project "$OUT" --plc PLC1 --controller Boiler --input 50 --steps 20 | tail -5
if [ -x "$BIN/velmora-host" ]; then
  echo "== Boiler online on the stand-in's soft PLC (comm.log beside the host)"
  "$BIN/velmora-host" online --project "$OUT" --plc PLC1 --controller Boiler --passes 3 /USECOMMLOGFILE
  echo "== Chiller regulating its simulated plant on the soft PLC: set point 35 %, then 50 % at 300 s"
  "$BIN/velmora-host" run --project "$OUT" --plc PLC2 --seconds 900 --sample-ms 30000 --online Chiller \
    --trace Chiller_Water_T --trace Chiller_input1 --trace Chiller_gW --trace Chiller_CurOut \
    --at 300 set Chiller_gW=5000
  echo "== Chiller tuned from a recording: the view records a set-point step to 50 % at 400 s and saves it,"
  echo "   velmora model fits the plant and writes the normal suggestion, and the PLC runs the step again"
  printf '1 page graph\n400 setpoint 50\n' >"$OUT/step-chiller.txt"
  "$BIN/velmora-host" online --project "$OUT" --plc PLC2 --controller Chiller --passes 900 \
    --script "$OUT/step-chiller.txt" --record "$OUT/chiller-step.txt" >"$OUT/step-chiller.log" 2>&1
  "$BIN/velmora" model --recording "$OUT/chiller-step.txt" --from 380 --to 890 --project "$OUT" --plc PLC2 \
    --controller Chiller --setpoint-step 15 --write normal |
    awk '/^Model:|^  gain|^  note:|^Suggestions|^  (normal|fast|slow) |^Preview|overshoot +settling|^ +% +s|^ +(current|slow|normal|fast) |^Written/'
  "$BIN/velmora-host" run --project "$OUT" --plc PLC2 --seconds 900 --sample-ms 30000 --online Chiller \
    --trace Chiller_input1 --trace Chiller_gW --at 300 set Chiller_gW=5000
  echo "== Dryer (PIDMA) tuned online against a simulated plant (K 1, time constants 20 s and 5 s):"
  echo "   settle at 45.5 %, Tune, accept the new values, Save vals, then a set-point step to 60 %"
  printf '1 page graph\n200 tune\n200 answer yes\n310 save-vals\n320 setpoint 60\n' >"$OUT/tune-dryer.txt"
  "$BIN/velmora-host" online --project "$OUT" --plc PLC1 --controller Dryer --simulate \
    --plant TypSoustavy=2 --plant Tau1=20 --plant Tau2=5 --script "$OUT/tune-dryer.txt" --passes 450 \
    >"$OUT/tune-dryer.log" 2>&1
  # One pass is one second: the lamp's changes, the tuner's result, and the measured value now and then.
  awk '/^pass /{p=$2+0}
       /^  tuner preview:/{print "  pass " p ": the tuner'"'"'s result on a model of its own experiment:"; pv=1; next}
       pv && /^    /{print "  " $0; next}
       {pv=0}
       /lamp=/{sub(/^ +/,""); if ($0!=lamp) print "  pass " p ": " $0; lamp=$0}
       /message:/{sub(/^ +message: /,""); gsub(/\\t/,"\t"); gsub(/\\n/,"\n    "); print "  pass " p ": " $0}
       /YEdit1=/ && (p==199 || p==320 || p==340 || p==360 || p==450){sub(/^ +/,""); print "  pass " p ": measured " $0}' \
    "$OUT/tune-dryer.log"
  echo "  saved: $(sed -n '/^\[Regulator Dryer\]/,/^\[/p' "$OUT/Velmora/PLC1.rglx" | grep -E '^(k|ti|td|b)=' | tr '\n' ' ')"
fi
if [ -x "$BIN/velmora-host" ]; then
  echo "== loop tests of the demo (examples/demo/tests) on a fresh copy, JUnit report beside them"
  rm -rf "$OUT/loop-tests"; mkdir -p "$OUT/loop-tests"; cp -r examples/demo/. "$OUT/loop-tests"
  (cd "$OUT/loop-tests" && "$BIN/velmora-host" test --project . --junit loop-tests.xml tests)
fi
echo "== done: everything is in $OUT"
