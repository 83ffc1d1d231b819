# Writes SITE/sw.js from the template, its cache named after the content of every file it keeps,
# so that a build that changes any of them gets a new cache and a new worker, and one that
# changes none keeps both. Run after each link of the game:
# cmake -DSITE=... -DFILES=page.js,... -DTEMPLATE=... -P (FILES: the site's files but the code).
string(REPLACE "," ";" files "${FILES}")
list(APPEND files gemwell.js gemwell.wasm)
set(content "")
set(listed "\"./\"")
foreach(file IN LISTS files)
    file(SHA256 ${SITE}/${file} hash)
    string(APPEND content "${file} ${hash}\n")
    string(APPEND listed ",\"${file}\"")
endforeach()
string(SHA256 whole "${content}")
string(SUBSTRING "${whole}" 0 16 GEMWELL_BUILD_HASH)
set(GEMWELL_CACHED_FILES "${listed}")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
