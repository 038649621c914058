# Warnings for the project's own targets: on everywhere, errors under CI.
add_library(qva_warnings INTERFACE)
target_compile_options(qva_warnings INTERFACE -Wall -Wextra -Wshadow)
if(QVA_WERROR)
    target_compile_options(qva_warnings INTERFACE -Werror)
endif()
