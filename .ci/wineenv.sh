# Sourced (sh): the Wine of a build. A build for x86_64 (made on a machine whose kernel runs
# 64-bit code only, see hostarch.sh) runs in a 64-bit prefix with Wine's 64-bit loader: the
# wine commands of .ci/wine64 come first in PATH then.
# Needs: root (the project), build (the build directory). Sets WINEARCH and PATH.
if [ "$(cat "$build/winearch" 2>/dev/null)" = win64 ]; then
  export WINEARCH=win64
  case ":$PATH:" in *":$root/.ci/wine64:"*) ;; *) PATH="$root/.ci/wine64:$PATH" ;; esac
  export PATH
else
  export WINEARCH=win32
fi
