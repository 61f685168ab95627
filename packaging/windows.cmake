# The Windows build: the executable's icon and version resource, the zip a
# Windows player unpacks and starts with nothing else installed, and the setup
# program that installs the same files for them.

# The icon is drawn from the same picture as on Linux, by the host build's
# export_icons: a Windows program cannot run in the middle of a cross build.
set(ZORBUNY_EXPORT_ICONS "" CACHE FILEPATH "export_icons of a host (Linux) build of this project")
if(NOT ZORBUNY_EXPORT_ICONS)
    message(FATAL_ERROR "A Windows build needs -DZORBUNY_EXPORT_ICONS=<host build>/packaging/export_icons")
endif()
set(ZORBUNY_ICO ${CMAKE_CURRENT_BINARY_DIR}/zorbuny.ico)
add_custom_command(OUTPUT ${ZORBUNY_ICO}
    COMMAND ${ZORBUNY_EXPORT_ICONS} --ico ${ZORBUNY_ICO}
    DEPENDS ${ZORBUNY_EXPORT_ICONS} ${PROJECT_SOURCE_DIR}/resources/icon.xpm
    COMMENT "Drawing the executable's icon")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zorbuny.rc.in ${CMAKE_CURRENT_BINARY_DIR}/zorbuny.rc @ONLY)
target_sources(zorbuny PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/zorbuny.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/zorbuny.rc PROPERTIES OBJECT_DEPENDS ${ZORBUNY_ICO})

# The compiler's own runtime, which Windows does not have.
set(ZORBUNY_RUNTIME_DLLS)
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    file(REAL_PATH "${path}" path)
    list(APPEND ZORBUNY_RUNTIME_DLLS ${path})
endforeach()

# What the zip says of the others' code it carries, with the versions installed
# here; the texts of their licences come from Debian's own copies.
function(zorbuny_dpkg_field package field out)
    execute_process(COMMAND dpkg-query -W -f=\${${field}} ${package}
        OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(${out} "${value}" PARENT_SCOPE)
endfunction()
zorbuny_dpkg_field(qt6-base-dev source:Version QT_SOURCE)
zorbuny_dpkg_field(gcc-mingw-w64-x86-64-posix-runtime source:Version GCC_MINGW_SOURCE)
zorbuny_dpkg_field(gcc-mingw-w64-x86-64-posix-runtime Version GCC_RUNTIME_VERSION)
zorbuny_dpkg_field(gcc-mingw-w64-x86-64-posix-runtime Built-Using gcc_built_using)
string(REGEX REPLACE "^([^ ]+) \\(= ([^)]+)\\).*" "\\1" GCC_SOURCE_PACKAGE "${gcc_built_using}")
string(REGEX REPLACE "^[^ ]+ \\(= ([^)]+)\\).*" "\\1" GCC_SOURCE "${gcc_built_using}")
zorbuny_dpkg_field(mingw-w64-x86-64-dev source:Version MINGW_SOURCE)
zorbuny_dpkg_field(nsis Version NSIS_VERSION)
set(QT_VERSION ${Qt6Core_VERSION})
set(ZIP_NAME zorbuny-${PROJECT_VERSION}-windows-x86_64)
set(ZIP_STAGE ${CMAKE_CURRENT_BINARY_DIR}/${ZIP_NAME})
set(SETUP_NOTICE "")
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows-notice.txt.in ${CMAKE_CURRENT_BINARY_DIR}/NOTICE.txt @ONLY)
# The installed folder has the uninstaller besides, NSIS's code.
file(READ ${CMAKE_CURRENT_LIST_DIR}/windows-notice-setup.txt.in SETUP_NOTICE)
string(CONFIGURE "${SETUP_NOTICE}" SETUP_NOTICE @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows-notice.txt.in ${CMAKE_CURRENT_BINARY_DIR}/setup/NOTICE.txt @ONLY)
set(ZIP_LICENSES
    ${PROJECT_SOURCE_DIR}/packaging/copyright zorbuny.txt
    /usr/share/common-licenses/LGPL-3 LGPL-3.txt
    /usr/share/common-licenses/GPL-3 GPL-3.txt
    /usr/share/doc/qt6-base-dev/copyright qt6-base.txt
    /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright gcc-mingw-w64.txt
    /usr/share/doc/mingw-w64-x86-64-dev/copyright mingw-w64.txt)
set(ZIP_LICENSE_COPIES)
set(license_sources)
while(ZIP_LICENSES)
    list(POP_FRONT ZIP_LICENSES from to)
    list(APPEND ZIP_LICENSE_COPIES COMMAND ${CMAKE_COMMAND} -E copy ${from} ${ZIP_STAGE}/licenses/${to})
    list(APPEND license_sources ${from})
endwhile()

# Qt 6.8 imports the targets of a shared build's plugins only when asked.
find_package(Qt6QWindowsIntegrationPlugin CONFIG REQUIRED PATHS ${Qt6Gui_DIR} NO_DEFAULT_PATH)
find_package(Qt6QModernWindowsStylePlugin CONFIG REQUIRED PATHS ${Qt6Widgets_DIR} NO_DEFAULT_PATH)

# Exactly these files, stripped, in one folder named like the zip, with the
# notice and the licences.
set(ZIP_TOP zorbuny Qt6::Core Qt6::Gui Qt6::Widgets)
set(ZIP_FILES)
foreach(target ${ZIP_TOP})
    list(APPEND ZIP_FILES ${ZIP_STAGE}/$<TARGET_FILE_NAME:${target}>)
endforeach()
foreach(dll ${ZORBUNY_RUNTIME_DLLS})
    get_filename_component(name ${dll} NAME)
    list(APPEND ZIP_FILES ${ZIP_STAGE}/${name})
endforeach()
list(APPEND ZIP_FILES
    ${ZIP_STAGE}/platforms/$<TARGET_FILE_NAME:Qt6::QWindowsIntegrationPlugin>
    ${ZIP_STAGE}/styles/$<TARGET_FILE_NAME:Qt6::QModernWindowsStylePlugin>)
add_custom_command(OUTPUT ${ZIP_NAME}.zip
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZIP_STAGE} ${ZIP_NAME}.zip
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZIP_STAGE}/platforms ${ZIP_STAGE}/styles ${ZIP_STAGE}/licenses
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:zorbuny> $<TARGET_FILE:Qt6::Core>
            $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets> ${ZORBUNY_RUNTIME_DLLS} ${ZIP_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> ${ZIP_STAGE}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Qt6::QModernWindowsStylePlugin> ${ZIP_STAGE}/styles
    COMMAND ${CMAKE_STRIP} --strip-unneeded ${ZIP_FILES}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_BINARY_DIR}/NOTICE.txt ${ZIP_STAGE}
    ${ZIP_LICENSE_COPIES}
    COMMAND ${PROJECT_SOURCE_DIR}/packaging/pack-zip.sh ${ZIP_STAGE} ${ZIP_NAME}.zip
    DEPENDS zorbuny ${CMAKE_CURRENT_BINARY_DIR}/NOTICE.txt ${license_sources}
        ${PROJECT_SOURCE_DIR}/packaging/pack-zip.sh
    COMMENT "Packing ${ZIP_NAME}.zip"
    VERBATIM)
add_custom_target(windows_zip DEPENDS ${ZIP_NAME}.zip)

# The setup program: the zip's folder, with the uninstaller's notice and
# licence, installed per user (packaging/windows-setup.nsi).
set(SETUP_NAME ${ZIP_NAME}-setup.exe)
set(SETUP_STAGE ${CMAKE_CURRENT_BINARY_DIR}/setup/${ZIP_NAME})
add_custom_command(OUTPUT ${SETUP_NAME}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${SETUP_STAGE} ${SETUP_NAME}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${ZIP_STAGE} ${SETUP_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_BINARY_DIR}/setup/NOTICE.txt ${SETUP_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy /usr/share/doc/nsis/copyright ${SETUP_STAGE}/licenses/nsis.txt
    COMMAND ${PROJECT_SOURCE_DIR}/packaging/pack-setup.sh ${SETUP_STAGE} ${SETUP_NAME}
            ${PROJECT_VERSION} ${ZORBUNY_ICO}
    DEPENDS ${ZIP_NAME}.zip ${CMAKE_CURRENT_BINARY_DIR}/setup/NOTICE.txt ${ZORBUNY_ICO}
        /usr/share/doc/nsis/copyright
        ${PROJECT_SOURCE_DIR}/packaging/pack-setup.sh ${PROJECT_SOURCE_DIR}/packaging/windows-setup.nsi
    COMMENT "Building ${SETUP_NAME}"
    VERBATIM)
add_custom_target(windows_setup DEPENDS ${SETUP_NAME})
