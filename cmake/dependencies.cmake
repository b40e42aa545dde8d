# Every dependency is a Debian package installed by scripts/install-deps.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
find_package(rapidcheck REQUIRED)
find_package(fmt REQUIRED)
find_package(spdlog REQUIRED)
find_package(CLI11 REQUIRED)
if(CHAT_BENCH)
    find_package(benchmark REQUIRED)
endif()

pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(PANGO REQUIRED IMPORTED_TARGET pangocairo pango fontconfig)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(GNUTLS REQUIRED IMPORTED_TARGET gnutls)
pkg_check_modules(SQLITE REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(NGTCP2 REQUIRED IMPORTED_TARGET libngtcp2 libngtcp2_crypto_gnutls)
pkg_check_modules(GST REQUIRED IMPORTED_TARGET gstreamer-1.0 gstreamer-app-1.0 gstreamer-audio-1.0 gstreamer-video-1.0)
pkg_check_modules(OPENH264 REQUIRED IMPORTED_TARGET openh264)
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0 gio-unix-2.0)
pkg_check_modules(WEBP REQUIRED IMPORTED_TARGET libwebp)
pkg_check_modules(RAPIDJSON REQUIRED IMPORTED_TARGET RapidJSON)

# RapidJSON for every target that uses it. RapidJSON 1.1's internal stack adds an offset to a
# null pointer on its first push (harmless, but undefined), which the sanitizer build would
# stop on in every Reader, Writer and Document; this target turns that one check off for its
# users. Link it (not PkgConfig::RAPIDJSON) after chat_options, so the option lands after
# -fsanitize=undefined.
add_library(chat_rapidjson INTERFACE)
target_link_libraries(chat_rapidjson INTERFACE PkgConfig::RAPIDJSON)
if(CHAT_SANITIZE)
    target_compile_options(chat_rapidjson INTERFACE -fno-sanitize=pointer-overflow)
endif()

