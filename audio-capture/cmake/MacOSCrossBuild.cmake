# A toolchain for building the macOS executable on Linux: clang-14 for
# arm64-apple-macos13.0 against Apple's SDK, linked by ld64.lld-14. The SDK
# comes under Apple's licence and stays outside the repository: by default
# sdkcheck/sdk beside the checkout (APPLE_SDK or TALLWICK_APPLE_SDK elsewhere).
# scripts/build-macos.sh uses it; see DEVELOPERS.md for assembling the SDK.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR arm64)
# Darwin 22 is macOS 13.
set(CMAKE_SYSTEM_VERSION 22.0)

if(DEFINED ENV{APPLE_SDK})
    set(sdk "$ENV{APPLE_SDK}")
else()
    set(sdk "${CMAKE_CURRENT_LIST_DIR}/../../../sdkcheck/sdk")
endif()
cmake_path(NORMAL_PATH sdk)
set(TALLWICK_APPLE_SDK "${sdk}" CACHE PATH "Apple SDK to build the macOS executable against")

set(CMAKE_OSX_SYSROOT "${TALLWICK_APPLE_SDK}")
set(CMAKE_OSX_DEPLOYMENT_TARGET "13.0" CACHE STRING "Oldest macOS the executable runs on")
set(CMAKE_OSX_ARCHITECTURES "arm64" CACHE STRING "Architectures the executable is built for")

find_program(TALLWICK_CLANG NAMES clang-14 REQUIRED)
find_program(TALLWICK_CLANGXX NAMES clang++-14 REQUIRED)
set(CMAKE_C_COMPILER "${TALLWICK_CLANG}")
set(CMAKE_CXX_COMPILER "${TALLWICK_CLANGXX}")
set(CMAKE_OBJCXX_COMPILER "${TALLWICK_CLANGXX}")
foreach(language C CXX OBJCXX)
    set(CMAKE_${language}_COMPILER_TARGET arm64-apple-macos13.0)
    # The SDK's headers read the deployment target from a macro that clang 14
    # does not define yet; without it every availability check reads 0.
    set(CMAKE_${language}_FLAGS_INIT "-D__ENVIRONMENT_OS_VERSION_MIN_REQUIRED__=130000")
endforeach()
string(APPEND CMAKE_CXX_FLAGS_INIT " -stdlib=libc++")
string(APPEND CMAKE_OBJCXX_FLAGS_INIT " -stdlib=libc++")

# ld64.lld writes no platform version without a linker version to go by.
find_program(TALLWICK_LD64_LLD NAMES ld64.lld-14 ld64.lld REQUIRED)
set(CMAKE_EXE_LINKER_FLAGS_INIT "--ld-path=${TALLWICK_LD64_LLD} -mlinker-version=711 -stdlib=libc++")

# LLVM's Mach-O tools stand in for Apple's.
find_program(CMAKE_INSTALL_NAME_TOOL NAMES llvm-install-name-tool-14 llvm-install-name-tool REQUIRED)
find_program(CMAKE_AR NAMES llvm-ar-14 llvm-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib-14 llvm-ranlib REQUIRED)

# Libraries and headers come from the SDK alone, programs from this machine.
set(CMAKE_FIND_ROOT_PATH "${TALLWICK_APPLE_SDK}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
