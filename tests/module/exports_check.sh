#!/bin/bash
# The module exports its entry points and arithmetic, and nothing else of ours.
set -e
got=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
want=$(sort <<'LIST'
GetOwner
ModuleErrors
ModuleMethods
ModuleNotify
ModuleVersion
VeskSystemGetLibInst
_Z2OrR8VariableRKS_S2_
_Z3AddR8VariableRKS_S2_
_Z3AndR8VariableRKS_S2_
_Z3DivR8VariableRKS_S2_
_Z3MulR8VariableRKS_S2_
_Z3SubR8VariableRKS_S2_
_Z3XorR8VariableRKS_S2_
_Z4RestR8VariableRKS_S2_
_Z7TopTypett
_ZanRK8VariableS1_
_ZdvRK8VariableS1_
_ZeoRK8VariableS1_
_ZmiRK8VariableS1_
_ZmlRK8VariableS1_
_ZorRK8VariableS1_
_ZplRK8VariableS1_
_ZrmRK8VariableS1_
LIST
)
if [ "$got" != "$want" ]; then
  echo "exported names differ:"; diff <(echo "$want") <(echo "$got") || true
  exit 1
fi
echo "exports: $(echo "$got" | wc -l) names, as intended"
