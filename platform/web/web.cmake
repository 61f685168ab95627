# The WebAssembly build: the page a browser loads, staged with exactly what it
# fetches, and beside it what Qt's licence asks of a program that links it
# statically: the licence texts, Qt's exact source, and the game's own object
# files with the command that links them, to relink against a changed Qt.
set(ZORBUNY_WEB_PAGE "${CMAKE_BINARY_DIR}/page" CACHE PATH "Folder the page is staged in")
set(ZORBUNY_QT_SOURCE "" CACHE PATH "Folder holding the Debian source package Qt was built from")

# The link's inputs named on its command line, not in a response file, so
# that relink-kit.sh can tell them.
set(CMAKE_CXX_USE_RESPONSE_FILE_FOR_OBJECTS 0)
set(CMAKE_CXX_USE_RESPONSE_FILE_FOR_LIBRARIES 0)

# The page is a download: wasm-opt shrinks it as far as it goes.
target_link_options(zorbuny PRIVATE -Oz)

# The page hands Qt its scale through the environment (platform/web/index.html).
set_target_properties(zorbuny PROPERTIES QT_WASM_EXTRA_EXPORTED_METHODS "ENV")

# The app icons are drawn from the same picture as the desktop's, by the host
# build's export_icons: a WebAssembly program cannot run in the middle of a build.
set(ZORBUNY_EXPORT_ICONS "" CACHE FILEPATH "export_icons of a host (Linux) build of this project")
if(NOT ZORBUNY_EXPORT_ICONS)
    message(FATAL_ERROR "A web build needs -DZORBUNY_EXPORT_ICONS=<host build>/packaging/export_icons")
endif()
find_program(ZORBUNY_PYTHON python3 REQUIRED)

set(page ${ZORBUNY_WEB_PAGE})
set(web ${CMAKE_CURRENT_LIST_DIR})
add_custom_command(OUTPUT ${page}/index.html
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${page}/licences
    COMMAND ${CMAKE_COMMAND} -E make_directory ${page}/licences
    COMMAND ${CMAKE_COMMAND} -E copy ${web}/index.html ${web}/reader.js
            $<TARGET_FILE_DIR:zorbuny>/zorbuny.js $<TARGET_FILE_DIR:zorbuny>/zorbuny.wasm
            $<TARGET_FILE_DIR:zorbuny>/qtloader.js ${web}/manifest.webmanifest ${page}
    COMMAND ${ZORBUNY_EXPORT_ICONS} --web ${page}
    COMMAND ${CMAKE_COMMAND} -E copy ${web}/LICENCES.txt ${page}
    COMMAND ${CMAKE_COMMAND} -E copy /usr/share/common-licenses/LGPL-3
            /usr/share/common-licenses/GPL-3 /usr/share/doc/emscripten/copyright ${page}/licences
    COMMAND ${CMAKE_COMMAND} -E rename ${page}/licences/copyright ${page}/licences/emscripten-copyright
    COMMAND sh ${web}/relink-kit.sh ${CMAKE_BINARY_DIR} ${page} ${ZORBUNY_QT_SOURCE}
    # Whoever relinks the game renews the worker's sums with the same script.
    COMMAND ${CMAKE_COMMAND} -E copy ${web}/service_worker.py ${web}/service-worker.js ${page}/relink
    # Last, over the page's files as they now are.
    COMMAND ${ZORBUNY_PYTHON} ${web}/service_worker.py ${page}
    DEPENDS zorbuny ${web}/index.html ${web}/reader.js ${web}/LICENCES.txt ${web}/relink-kit.sh
            ${web}/manifest.webmanifest ${web}/service-worker.js ${web}/service_worker.py
            ${ZORBUNY_EXPORT_ICONS} ${PROJECT_SOURCE_DIR}/resources/icon.xpm
    COMMENT "Staging the page in ${page}"
    VERBATIM)
add_custom_target(web_page ALL DEPENDS ${page}/index.html)
