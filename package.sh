#!/usr/bin/env bash
# Builds Kestrova in Release into build-release/ and makes the two Debian
# packages in this folder, from the same install rules as `cmake --install`:
# kestrova-cli_<version>_<architecture>.deb (command line and sample
# marketplace, no toolkit) and kestrova_<version>_<architecture>.deb (the
# window; depends on kestrova-cli of the same version).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Only what the package holds is built: no tests, benchmarks or generators.
# Debian's hardening flags (stack protector, fortified libc calls, read-only
# relocations) as every package of the distribution has them.
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DKESTROVA_BUILD_TESTS=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build-release -j2 --target kestrova kestrova-cli kestrova-marketplace kestrova-notify \
  kestrova_compressed_docs
rm -f build-release/kestrova_*.deb build-release/kestrova-cli_*.deb
(cd build-release && cpack -G DEB)
cp build-release/kestrova_*.deb build-release/kestrova-cli_*.deb .
for deb in build-release/kestrova-cli_*.deb build-release/kestrova_*.deb; do
  echo "Built $(basename "$deb"):"
  dpkg-deb --field "$deb" Package Version Architecture Depends
done
