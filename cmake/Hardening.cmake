# Release and package builds are hardened with the flags dpkg-buildflags gives Debian
# packages (with every hardening feature on): fortified libc calls, the strong stack
# protector, format-string checks, and full RELRO with immediate binding; Debian's compiler
# makes position-independent executables by default. Only these are taken: optimisation and
# debugging stay the build type's. Debug builds go without (fortification needs
# optimisation), and so do the sanitizer and fuzzing builds, which bring their own checks.
option(PARLANCE_HARDENING "Build with the hardening flags of Debian packages" ON)
if(NOT PARLANCE_HARDENING OR PARLANCE_FUZZ OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  return()
endif()
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(WARNING "dpkg-buildflags (dpkg-dev) is missing: building without hardening flags")
  return()
endif()
foreach(_kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${DPKG_BUILDFLAGS} --get ${_kind}
                  OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(_flags UNIX_COMMAND "${_flags}")
  foreach(_flag IN LISTS _flags)
    if(_flag MATCHES "^(-D_FORTIFY_SOURCE=|-fstack-protector|-fstack-clash-protection|-fcf-protection|-Wformat|-Werror=format-security)")
      add_compile_options(${_flag})
      list(APPEND PARLANCE_HARDENING_FLAGS ${_flag})
    elseif(_flag MATCHES "^-Wl,-z,|^-pie$|^-fPIE$")
      add_link_options(${_flag})
      list(APPEND PARLANCE_HARDENING_FLAGS ${_flag})
    endif()
  endforeach()
endforeach()
message(STATUS "Hardening flags: ${PARLANCE_HARDENING_FLAGS}")
