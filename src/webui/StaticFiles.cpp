#include "StaticFiles.h"

#include <array>
#include <utility>

#include "../common/Log.h"
#include "EmbeddedResources.h"
#include "PageBase.h"
#include "runWebServer.h"

#define GIF(name) {"/images/" name ".gif", sendGifHead, "image/gif"}
#define CSS(name) {"/css/" name ".css", sendCssHead, "text/css"}
#define SCRIPT(name) {"/js/" name ".js", sendJavascriptHead, "text/javascript"}

const StaticFile staticFiles[] = {
    GIF("arr_collapse"),
    GIF("arr_expand"),
    GIF("att_small"),
    GIF("btn_bg"),
    GIF("collapse"),
    GIF("error"),
    GIF("expand"),
    GIF("header_add_remove_components_bg"),
    GIF("header_install_upgrade_product_bg"),
    GIF("header_main_bg"),
    GIF("header_repair_products_bg"),
    GIF("header_uninstall_patch_bg"),
    GIF("header_uninstall_product_bg"),
    GIF("header_update_components_bg"),
    GIF("icon_add_remove_components_bg"),
    GIF("icon_add_remove_components_disabled_bg"),
    GIF("icon_arrow"),
    GIF("icon_arrow_disabled_bg"),
    GIF("icon_default_bg"),
    GIF("icon_default_product"),
    GIF("icon_default_product_disabled"),
    GIF("icon_install_upgrade_product_bg"),
    GIF("icon_install_upgrade_product_disabled_bg"),
    GIF("icon_installed_bg"),
    GIF("icon_not_installed_bg"),
    GIF("icon_partly_installed_bg"),
    GIF("icon_kwmt"),
    GIF("icon_kwmt_disabled"),
    GIF("icon_kwnd"),
    GIF("icon_repair_product_bg"),
    GIF("icon_repair_product_disabled_bg"),
    GIF("icon_uninstall_patch_bg"),
    GIF("icon_uninstall_patch_disabled_bg"),
    GIF("icon_uninstall_product_bg"),
    GIF("icon_uninstall_product_disabled_bg"),
    GIF("icon_update_components_bg"),
    GIF("icon_update_components_disabled_bg"),
    GIF("icon_updates_available_bg"),
    GIF("indicator"),
    GIF("ok"),
    GIF("corvane"),
    GIF("corvane_logo"),
    GIF("top_bg"),
    GIF("top_login_bg"),
    GIF("gauge/begin-empty"),
    GIF("gauge/begin-filled"),
    GIF("gauge/empty"),
    GIF("gauge/end-empty"),
    GIF("gauge/end-filled"),
    GIF("gauge/fill"),
    {"/images/header_login_bg.png", sendPngHead, "image/png"},
    CSS("ie"),
    CSS("style"),
    SCRIPT("common"),
    SCRIPT("gui"),
    SCRIPT("prototype"),
};

#undef GIF
#undef CSS
#undef SCRIPT

const size_t staticFileCount = sizeof(staticFiles) / sizeof(staticFiles[0]);

namespace {

constexpr size_t fileCount = sizeof(staticFiles) / sizeof(staticFiles[0]);

// Each file's bytes, found once at registration, so a request costs no lookup.
const EmbeddedResource* fileBytes[fileCount];

// The handler of file I: the wrapper carries a handler and nothing else, so every file has one.
template <size_t I>
void serveStaticFile(vnhttpd::page_request* req) {
    staticFiles[I].writer(req, reinterpret_cast<const char*>(fileBytes[I]->bytes),
                          static_cast<int>(fileBytes[I]->length));
}

template <size_t... I>
constexpr std::array<vnhttpd::page_handler, sizeof...(I)> makeHandlers(std::index_sequence<I...>) {
    return {{serveStaticFile<I>...}};
}

constexpr std::array<vnhttpd::page_handler, fileCount> handlers = makeHandlers(std::make_index_sequence<fileCount>());

}  // namespace

void registerResources(vnhttpd::server_context* ctx) {
    for (size_t i = 0; i < fileCount; ++i) {
        fileBytes[i] = findEmbeddedResource(staticFiles[i].url + 1);
        if (!fileBytes[i]) {
            Log(0) << "The static file " << staticFiles[i].url << " is not part of the program" << std::endl;
            continue;
        }
        registerWrappedPage(ctx, staticFiles[i].url, handlers[i]);
    }
}
