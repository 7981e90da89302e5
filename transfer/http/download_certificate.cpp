#include "download_certificate.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <vector>

#include "base/utf8.h"

namespace download {

namespace {

struct StoreCloser {
  void operator()(void* store) const noexcept { CertCloseStore(static_cast<HCERTSTORE>(store), 0); }
};
struct CertificateFreer {
  void operator()(const CERT_CONTEXT* certificate) const noexcept { CertFreeCertificateContext(certificate); }
};
struct ChainFreer {
  void operator()(const CERT_CHAIN_CONTEXT* chain) const noexcept { CertFreeCertificateChain(chain); }
};

// The "Cert:" field of one certificate's list, as PEM text.
std::string PemOf(const curl_slist* fields) {
  for (; fields; fields = fields->next) {
    const std::string field = fields->data ? fields->data : "";
    if (field.rfind("Cert:", 0) == 0) return field.substr(5);
  }
  return {};
}

std::vector<BYTE> DerOf(const std::string& pem) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size,
                            nullptr, nullptr))
    return {};
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(), &size,
                            nullptr, nullptr))
    return {};
  der.resize(size);
  return der;
}

}  // namespace

bool TrustedChain(const curl_certinfo* chain, const std::string& host) {
  if (!chain || chain->num_of_certs < 1) return false;
  const std::unique_ptr<void, StoreCloser> presented(
      CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
  if (!presented) return false;
  std::unique_ptr<const CERT_CONTEXT, CertificateFreer> leaf;
  for (int i = 0; i < chain->num_of_certs; ++i) {
    const std::vector<BYTE> der = DerOf(PemOf(chain->certinfo[i]));
    if (der.empty()) return false;
    const CERT_CONTEXT* added = nullptr;
    if (!CertAddEncodedCertificateToStore(presented.get(), X509_ASN_ENCODING, der.data(),
                                          static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS,
                                          i == 0 ? &added : nullptr))
      return false;
    if (i == 0) leaf.reset(added);
  }
  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  const CERT_CHAIN_CONTEXT* built = nullptr;
  if (!CertGetCertificateChain(nullptr, leaf.get(), nullptr, presented.get(), &parameters, 0, nullptr, &built))
    return false;
  const std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer> owned(built);
  // The chain must end in a trusted root on its own: some implementations of the SSL policy
  // below pass a chain that stops short of any root.
  constexpr DWORD kRevocationUnknown = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
  if ((built->TrustStatus.dwErrorStatus & ~kRevocationUnknown) != CERT_TRUST_NO_ERROR) return false;
  std::wstring name = text::Utf8ToWide(host);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = name.data();
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, built, &policy, &status)) return false;
  return status.dwError == 0;
}

}  // namespace download
