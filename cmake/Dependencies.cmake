# OpenSSL and libssh2, cross-built as static archives by scripts/bootstrap into a prefix outside
# the tree (its path is what the script prints). Deps::libssh2 links the SFTP client with its crypto.
set(CORVATEL_DEPS_PREFIX "" CACHE PATH "Prefix with the cross-built OpenSSL and libssh2 (printed by scripts/bootstrap)")

if(NOT CORVATEL_DEPS_PREFIX)
  message(FATAL_ERROR "CORVATEL_DEPS_PREFIX is not set: configure with -DCORVATEL_DEPS_PREFIX=\"$(scripts/bootstrap)\" (scripts/test does this)")
endif()
foreach(file include/libssh2.h include/openssl/ssl.h lib/libssh2.a lib/libssl.a lib/libcrypto.a)
  if(NOT EXISTS "${CORVATEL_DEPS_PREFIX}/${file}")
    message(FATAL_ERROR "CORVATEL_DEPS_PREFIX (${CORVATEL_DEPS_PREFIX}) has no ${file}: run scripts/bootstrap and pass the prefix it prints")
  endif()
endforeach()

# libssh2.h declares its API without dllimport unless the compiler defines _WINDLL, which MinGW
# never does, so the static archive needs no extra define. OpenSSL's static libcrypto calls into
# Winsock, the certificate store, CNG's random generator and the event log.
add_library(Deps::libssh2 INTERFACE IMPORTED GLOBAL)
set_target_properties(Deps::libssh2 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${CORVATEL_DEPS_PREFIX}/include"
  INTERFACE_LINK_LIBRARIES "${CORVATEL_DEPS_PREFIX}/lib/libssh2.a;${CORVATEL_DEPS_PREFIX}/lib/libssl.a;${CORVATEL_DEPS_PREFIX}/lib/libcrypto.a;ws2_32;crypt32;bcrypt;user32;advapi32")
