# Compiler warnings and the sanitizer build shared by every target. The test command builds
# with CALMORA_WERROR, so a warning stops it.
add_compile_options(-Wall -Wextra -Wshadow -Wno-unused-parameter)

option(CALMORA_WERROR "Treat compiler warnings as errors" OFF)
if(CALMORA_WERROR)
  add_compile_options(-Werror)
endif()

# mold links the sanitized test executables several times faster than the default linker.
find_program(CALMORA_MOLD mold)
if(CALMORA_MOLD)
  add_link_options(-fuse-ld=mold)
endif()

if(CALMORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(CALMORA_FUZZ)
  # Instrument our own code for coverage; the fuzz targets add the libFuzzer driver.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
