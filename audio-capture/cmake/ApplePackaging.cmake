# How the macOS executable is packaged: its own property list embedded in it
# (the usage texts the permission prompts show come from there), signed with the
# hardened runtime and its entitlements.
include_guard(GLOBAL)

set(TALLWICK_INFO_PLIST_TEMPLATE "${CMAKE_CURRENT_LIST_DIR}/../Info.plist")
set(TALLWICK_ENTITLEMENTS "${CMAKE_CURRENT_LIST_DIR}/../tallwick-audio.entitlements")
cmake_path(NORMAL_PATH TALLWICK_INFO_PLIST_TEMPLATE)
cmake_path(NORMAL_PATH TALLWICK_ENTITLEMENTS)

# The property list as embedded: the template with the project's version.
set(TALLWICK_INFO_PLIST "${PROJECT_BINARY_DIR}/audio-capture/Info.plist")
configure_file("${TALLWICK_INFO_PLIST_TEMPLATE}" "${TALLWICK_INFO_PLIST}" @ONLY)

set(TALLWICK_CODESIGN_IDENTITY "-" CACHE STRING
    "Identity that signs the macOS executable (\"-\": ad hoc, this machine only; empty: unsigned)")

# The bundle identifier is also the signing identifier; the property list is
# where it is written down, once.
function(tallwick_bundle_identifier out)
    file(READ "${TALLWICK_INFO_PLIST}" plist)
    if(NOT plist MATCHES "<key>CFBundleIdentifier</key>[ \t\r\n]*<string>([^<]+)</string>")
        message(FATAL_ERROR "${TALLWICK_INFO_PLIST} names no CFBundleIdentifier")
    endif()
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

function(tallwick_package_for_macos target)
    tallwick_bundle_identifier(identifier)
    target_link_options(${target} PRIVATE
        "-Wl,-sectcreate,__TEXT,__info_plist,${TALLWICK_INFO_PLIST}")
    # An edit to either file relinks, and so re-signs, the executable.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
        "${TALLWICK_INFO_PLIST}" "${TALLWICK_ENTITLEMENTS}")
    if(TALLWICK_CODESIGN_IDENTITY STREQUAL "")
        # A cross-build on a machine without codesign; signed on a Mac later.
        message(STATUS "${target} is left unsigned")
        return()
    endif()
    # Notarization refuses a signature without a secure timestamp; an ad hoc
    # signature cannot have one.
    set(timestamp "")
    if(NOT TALLWICK_CODESIGN_IDENTITY STREQUAL "-")
        set(timestamp --timestamp)
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND codesign --force --options runtime ${timestamp}
                --entitlements "${TALLWICK_ENTITLEMENTS}"
                --identifier "${identifier}"
                --sign "${TALLWICK_CODESIGN_IDENTITY}"
                "$<TARGET_FILE:${target}>"
        COMMENT "Signing ${target} as ${identifier}"
        VERBATIM)
endfunction()
