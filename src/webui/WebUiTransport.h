#ifndef VN_WEBUI_WEBUITRANSPORT_H
#define VN_WEBUI_WEBUITRANSPORT_H

// The channel between the web pages and the installing process.
class WebUiTransport {
public:
    // No command arrived for 1800 seconds. Thrown by value, carries nothing.
    class timeout {};
};

#endif
