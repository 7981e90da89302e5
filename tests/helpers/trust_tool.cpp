// Test helper: puts a certificate authority into, or takes it out of, the machine's trusted
// roots, as an administrator installing a company's own authority would.
//   trust_tool add <cert.pem>      exit code 0 once the root is trusted
//   trust_tool remove <cert.pem>   exit code 0 once it is gone (or was never there)
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

std::vector<BYTE> ReadDer(const wchar_t* path) {
  std::vector<char> pem;
  if (FILE* file = _wfopen(path, L"rb")) {
    char buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) pem.insert(pem.end(), buffer, buffer + read);
    std::fclose(file);
  }
  DWORD size = 0;
  if (pem.empty() || !CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                                           nullptr, &size, nullptr, nullptr))
    return {};
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(), &size,
                            nullptr, nullptr))
    return {};
  return der;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::vector<BYTE> der = ReadDer(argv[2]);
  if (der.empty()) return 1;
  const HCERTSTORE roots = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (!roots) return 1;
  int result = 1;
  if (std::wcscmp(argv[1], L"add") == 0) {
    result = CertAddEncodedCertificateToStore(roots, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                              CERT_STORE_ADD_REPLACE_EXISTING, nullptr)
                 ? 0
                 : 1;
  } else if (std::wcscmp(argv[1], L"remove") == 0) {
    const CERT_CONTEXT* wanted =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    result = 0;
    if (wanted) {
      const CERT_CONTEXT* found =
          CertFindCertificateInStore(roots, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
      if (found && !CertDeleteCertificateFromStore(found)) result = 1;
      CertFreeCertificateContext(wanted);
    }
  }
  CertCloseStore(roots, 0);
  return result;
}
