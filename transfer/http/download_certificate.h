#pragma once
// The server certificate check of https passes, done by the host itself on the chain the
// server presented: the system's TLS layer is asked to validate it automatically, but not
// every implementation of that layer does (Wine's accepts any certificate), and a download
// must never take bytes from a server it cannot trust.
#include <curl/curl.h>

#include <string>

namespace download {

// True when the chain (as the transfer library reports it, leaf first) leads to a trusted root
// and the leaf names host.
bool TrustedChain(const curl_certinfo* chain, const std::string& host);

}  // namespace download
