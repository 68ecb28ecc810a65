#ifndef VN_WEBUI_SUMMARYPAGE_H
#define VN_WEBUI_SUMMARYPAGE_H

#include <string>

#include "httpd/httpd.h"

class TiXmlElement;

// "/summary.html", the start page of the web wizard: one row per product of the catalogue, the
// three operations of the wizard, and the notices of a self-upgrade, of an unreachable update
// server and of an empty product list.

// The operations a product list gives something to do; collected over all rows.
enum SummaryOperation : unsigned {
    installUpgradeOperation = 1,    // "iup.html"
    updateComponentsOperation = 2,  // "update_components.html"
    addComponentsOperation = 4,     // "add_components.html"
};

// Handler of "/summary.html"; a POST is served as a GET.
void summaryPage(vnhttpd::page_request* req);

// Appends the row of every `product` child of `products` to rows, in document order.
void renderSummaryRows(const TiXmlElement* products, std::string& rows, unsigned& operations);

// Appends the table row of one `product` of the engine's release list and sets the operation
// bits it gives. A product without `name` or `id`, or with a release lacking `id`, `action` or
// `version`, gives no row (bits set before the incomplete release stay).
void renderSummaryRow(const TiXmlElement* product, std::string& rows, unsigned& operations);

#endif
