# SPDX-License-Identifier: MIT
# The hardening Debian builds its packages with (dpkg-buildflags, hardening=+all): checked
# variants of the string and memory functions, stack protector, format-string errors, and
# relocations resolved at start-up and then made read-only. Only optimised builds get it, as
# _FORTIFY_SOURCE needs optimisation. Sanitizer and fuzz builds do without: the checked
# variants bypass the sanitizers' own interception of those functions.
if(TAVREL_SANITIZE OR TAVREL_SANITIZE_THREAD OR TAVREL_FUZZ)
    return()
endif()

set(tavrel_optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
# A compiler that defines _FORTIFY_SOURCE itself would warn about the redefinition.
add_compile_options(
    "$<${tavrel_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
    "$<${tavrel_optimised}:-fstack-protector-strong;-Wformat;-Werror=format-security>")
add_link_options("$<${tavrel_optimised}:LINKER:-z,relro;LINKER:-z,now>")
