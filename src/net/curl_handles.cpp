#include "net/curl_handles.h"

#include <mutex>
#include <new>

#include "net/http_client.h"

namespace kestrow::net {

void EnsureCurlGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            throw EIdSocketError("The HTTP library could not be initialised");
        }
    });
}

EasyHandle EasyHandle::Create() {
    EnsureCurlGlobalInit();
    EasyHandle h;
    h.handle_.reset(curl_easy_init());
    if (!h.handle_)
        throw std::bad_alloc();
    return h;
}

MultiHandle MultiHandle::Create() {
    EnsureCurlGlobalInit();
    MultiHandle h;
    h.handle_.reset(curl_multi_init());
    if (!h.handle_)
        throw std::bad_alloc();
    return h;
}

void CurlHeaders::Append(const std::string& header) {
    curl_slist* next = curl_slist_append(list_, header.c_str());
    if (!next)
        throw std::bad_alloc();
    list_ = next;
}

MultiAttachment::MultiAttachment(CURLM* multi, CURL* easy) : multi_(multi), easy_(easy) {
    CURLMcode mc = curl_multi_add_handle(multi, easy);
    if (mc != CURLM_OK)
        throw EIdSocketError(curl_multi_strerror(mc));
}

}  // namespace kestrow::net
