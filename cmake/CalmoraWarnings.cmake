# Compiler warnings and the sanitizer build shared by every target.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

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
