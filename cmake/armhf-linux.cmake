# Cross-build of the phone, the tools and the tests for 32-bit ARM Linux (armhf), against the tree
# of Debian's armhf libraries that scripts/install-arm-deps.sh unpacks (ARMHF_SYSROOT, default
# /opt/tunestrip/armhf-sysroot). Its programs run under qemu-arm: ctest and the tests start them
# through CMAKE_CROSSCOMPILING_EMULATOR.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

if(DEFINED ENV{ARMHF_SYSROOT})
  set(TS_ARMHF_SYSROOT $ENV{ARMHF_SYSROOT})
else()
  set(TS_ARMHF_SYSROOT /opt/tunestrip/armhf-sysroot)
endif()
set(CMAKE_SYSROOT ${TS_ARMHF_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the tree's own .pc files and prefixes their paths with the tree.
set(ENV{PKG_CONFIG_DIR} "")
set(ENV{PKG_CONFIG_LIBDIR}
    "${TS_ARMHF_SYSROOT}/usr/lib/arm-linux-gnueabihf/pkgconfig:${TS_ARMHF_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${TS_ARMHF_SYSROOT})

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L ${TS_ARMHF_SYSROOT})
