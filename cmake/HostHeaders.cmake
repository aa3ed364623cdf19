# The header-only libraries of the command line (CLI11, nlohmann-json,
# cpp-httplib) for a cross build: Debian ships them for the build machine
# only. Each is linked into a folder of its own in the build tree, so the
# cross compiler sees those headers and none of the machine's C library.
set(PROCTEX_HOST_HEADERS ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${PROCTEX_HOST_HEADERS})
foreach(entry CLI nlohmann httplib.h)
    if(NOT EXISTS /usr/include/${entry})
        message(FATAL_ERROR "/usr/include/${entry} is missing (scripts/install-deps installs it)")
    endif()
    file(CREATE_LINK /usr/include/${entry} ${PROCTEX_HOST_HEADERS}/${entry} SYMBOLIC)
endforeach()

add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${PROCTEX_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${PROCTEX_HOST_HEADERS})
# The studio's server on Winsock, for Windows 10 and later; without SSL.
add_library(PkgConfig::CPP_HTTPLIB INTERFACE IMPORTED GLOBAL)
target_include_directories(PkgConfig::CPP_HTTPLIB SYSTEM INTERFACE ${PROCTEX_HOST_HEADERS})
target_compile_definitions(PkgConfig::CPP_HTTPLIB INTERFACE _WIN32_WINNT=0x0A00)
target_link_libraries(PkgConfig::CPP_HTTPLIB INTERFACE ws2_32)
