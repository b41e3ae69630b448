// trust_ca FILE: adds a certificate (DER, or PEM with its BEGIN line) to the current user's
// "Root" store. Run inside the test Wine prefix so the test CA is trusted there and nowhere
// else. Not the local machine's store: newer Wine rebuilds that one from the host's trusted
// certificates whenever a process finds them changed, and the test CA would be gone. Exit codes: 0 added (or already there), 1 failed, 2 usage.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool readWholeFile(const wchar_t* path, std::vector<unsigned char>& bytes) {
  FILE* file = _wfopen(path, L"rb");
  if (file == nullptr) return false;
  unsigned char chunk[4096];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  fclose(file);
  return !bytes.empty();
}

bool isPem(const std::vector<unsigned char>& bytes) {
  static const char kBegin[] = "-----BEGIN";
  const size_t beginLength = sizeof kBegin - 1;
  for (size_t i = 0; i + beginLength <= bytes.size(); ++i) {
    if (memcmp(bytes.data() + i, kBegin, beginLength) == 0) return true;
  }
  return false;
}

// Decodes the first PEM block into DER.
bool pemToDer(const std::vector<unsigned char>& pem, std::vector<unsigned char>& der) {
  std::vector<char> text(pem.begin(), pem.end());
  text.push_back('\0');
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.data(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
    return false;
  der.resize(size);
  if (!CryptStringToBinaryA(text.data(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
    return false;
  der.resize(size);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: trust_ca CERTIFICATE.der|.pem\n");
    return 2;
  }
  std::vector<unsigned char> bytes;
  if (!readWholeFile(argv[1], bytes)) {
    fprintf(stderr, "trust_ca: cannot read the certificate file\n");
    return 1;
  }
  std::vector<unsigned char> der;
  if (isPem(bytes)) {
    if (!pemToDer(bytes, der)) {
      fprintf(stderr, "trust_ca: not a PEM certificate\n");
      return 1;
    }
  } else {
    der = bytes;
  }

  HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                  CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (root == nullptr) {
    fprintf(stderr, "trust_ca: cannot open the Root store (error %lu)\n", GetLastError());
    return 1;
  }
  const BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(),
                                                      static_cast<DWORD>(der.size()),
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  const DWORD error = GetLastError();
  CertCloseStore(root, 0);
  if (!added) {
    fprintf(stderr, "trust_ca: the certificate was not added (error %lu)\n", error);
    return 1;
  }
  printf("trusted\n");
  return 0;
}
