// Certificate stores and the certificate actions against Wine's real
// CryptoAPI stores. Each test uses a store of its own under the current
// user (removed afterwards); the ROOT test removes what it added.
#include <gtest/gtest.h>
#include <tinyxml.h>
#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/crypt32_api.h"
#include "common/win_handles.h"
#include "platform/cert_store.h"
#include "platform/cert_store_win.h"
#include "win_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::set<std::string>;

std::wstring CertPath(const char* name) { return WinePath((std::string(CX_TEST_CERT_DIR) + "/" + name).c_str()); }

Bytes ReadCert(const char* name) {
  std::ifstream in(CertPath(name).c_str(), std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A current-user store named for this test, deleted with its registry key.
class TestStore {
 public:
  TestStore() {
    wchar_t name[64];
    swprintf(name, 64, L"CxTestStore_%08lX_%08lX", GetCurrentProcessId(), GetTickCount());
    name_ = name;
  }
  ~TestStore() {
    std::wstring key = L"Software\\Microsoft\\SystemCertificates\\" + name_;
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  }
  const char16_t* Name() const { return AsU16(name_.c_str()); }
  // The test certificates in the store, by file name.
  std::set<std::string> Contents() const;

 private:
  std::wstring name_;
};

std::string Key(const char* certName) {
  const Bytes b = ReadCert(certName);
  return std::string(b.begin(), b.end());
}

const char* const kCertNames[] = {"rsa.der", "sm2.der", "p192.der", "p224.der", "p256.der", "p384.der",
                                  "p521.der", "secp224k1.der", "secp256k1.der", "pss.der"};

std::set<std::string> TestStore::Contents() const {
  std::set<std::string> out;
  ScopedCertStore store(Crypt32()->CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                    CERT_SYSTEM_STORE_CURRENT_USER, name_.c_str()));
  PCCERT_CONTEXT c = nullptr;
  while ((c = Crypt32()->CertEnumCertificatesInStore(store.Get(), c)) != nullptr) {
    const std::string bytes(reinterpret_cast<const char*>(c->pbCertEncoded), c->cbCertEncoded);
    std::string name = "other";
    for (const char* n : kCertNames) {
    if (Key(n) == bytes) name = n;
    }
    out.insert(name);
  }
  return out;
}

struct Bound {
  const char* cert;
  const char16_t* provider;  // null: no binding at all
  const char16_t* container;
  uint32_t keySpec;
};

// Certificates with bindings to two providers, two containers and both key
// usages (exchange and signature), plus one without a binding.
const Bound kBound[] = {
    {"rsa.der", u"ProvA", u"c1", 1},
    {"sm2.der", u"ProvA", u"c1", 2},
    {"p256.der", u"ProvA", u"c1", 1},
    {"p384.der", u"ProvB", u"c1", 1},
    {"secp256k1.der", u"ProvA", u"c2", 1},
    {"pss.der", u"ProvA", u"c1", 2},  // does not decode: counts as RSA
    {"p521.der", nullptr, nullptr, 0},
};

void Fill(const TestStore& store) {
  for (const Bound& b : kBound) {
    const Bytes der = ReadCert(b.cert);
    ASSERT_EQ(AddCertificateToStore(der.data(), der.size(), b.keySpec, b.provider, b.container,
                                    store.Name()),
              CX_OK)
        << b.cert;
  }
}

}  // namespace

TEST(CertStoreWin, RemovalTakesExactlyTheMatchingBoundCertificates) {
  const struct {
    const char* what;
    uint32_t types, specs;
    const char16_t* provider;
    const char16_t* container;
    Names left;
  } cases[] = {
      {"RSA and SM2 of ProvA/c1", 3, 3, u"ProvA", u"c1", {"p384.der", "secp256k1.der", "p521.der"}},
      {"no RSA, no SM2: other curves only", 0, 3, nullptr, nullptr, {"rsa.der", "sm2.der", "pss.der", "p521.der"}},
      {"RSA signature keys, provider in other case", 1, 2, u"prova", nullptr,
       {"rsa.der", "sm2.der", "p256.der", "p384.der", "secp256k1.der", "p521.der"}},
      {"everything bound", 3, 3, nullptr, nullptr, {"p521.der"}},
      {"unknown container", 3, 3, nullptr, u"c9",
       {"rsa.der", "sm2.der", "p256.der", "p384.der", "secp256k1.der", "pss.der", "p521.der"}},
  };
  for (const auto& c : cases) {
    TestStore store;
    Fill(store);
    EXPECT_EQ(DeleteCertificatesFromStore(c.types, c.specs, c.provider, c.container, store.Name()),
              CX_OK)
        << c.what;
    EXPECT_EQ(store.Contents(), c.left) << c.what;
  }
}

TEST(CertStoreWin, UnRegCertActionReadsItsMasksAsPlainSubstrings) {
  TestStore store;
  Fill(store);
  const std::string name(store.Name(), store.Name() + std::char_traits<char16_t>::length(store.Name()));
  // Lower-case "rsa" gives an empty type mask: only the other curves go.
  TestElement e("<UnRegCert StoreName=\"" + name +
            "\" CertType=\"rsa\" KeySpec=\"SIGNATURE,KEYEXCHANGE\" CspName=\"ProvA\"/>");
  EXPECT_EQ(RunAction(e), CX_OK);
  EXPECT_EQ(store.Contents(), Names({"rsa.der", "sm2.der", "p384.der", "pss.der", "p521.der"}));

}

TEST(CertStoreWin, FilesAddOnceAndBadFilesFail) {
  TestFolder folder;
  TestStore store;
  const std::wstring empty = folder.Write(L"empty.cer", "");
  const std::wstring pem = folder.Write(L"p256.pem", "-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n");
  EXPECT_EQ(AddCertificateFileToStore(AsU16(empty.c_str()), store.Name()), CX_E_BAD_DATA);
  EXPECT_NE(AddCertificateFileToStore(AsU16(pem.c_str()), store.Name()), CX_OK);
  EXPECT_EQ(AddCertificateFileToStore(AsU16(folder.File(L"missing.cer").c_str()), store.Name()),
            CX_WIN_ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(AddCertificateFileToStore(u"", store.Name()), CX_E_INVALID_ARG);
  EXPECT_TRUE(store.Contents().empty());

  const std::wstring good = CertPath("p256.der");
  EXPECT_EQ(AddCertificateFileToStore(AsU16(good.c_str()), store.Name()), CX_OK);
  EXPECT_EQ(AddCertificateFileToStore(AsU16(good.c_str()), store.Name()), CX_OK);
  EXPECT_EQ(store.Contents(), Names({"p256.der"})) << "one copy after adding twice";
}

TEST(CertStoreWin, RootInAnyCaseIsTheLocalMachineStore) {
  const std::wstring file = CertPath("p224.der");
  const Bytes der = ReadCert("p224.der");
  const std::string xml = "<RegCertFile Src=\"" + std::string(file.begin(), file.end()) +
                          "\" StoreName=\"rOoT\"/>";
  TestElement e(xml);
  ASSERT_EQ(RunAction(e), CX_OK);
  ScopedCertStore machineRoot(Crypt32()->CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                            CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT"));
  ASSERT_TRUE(machineRoot);
  ScopedCertContext wanted(Crypt32()->CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), DWORD(der.size())));
  PCCERT_CONTEXT found = Crypt32()->CertFindCertificateInStore(machineRoot.Get(), X509_ASN_ENCODING, 0,
                                                    CERT_FIND_EXISTING, wanted.Get(), nullptr);
  ASSERT_NE(found, nullptr) << "not in the local machine's ROOT";
  EXPECT_TRUE(Crypt32()->CertDeleteCertificateFromStore(found));
  Crypt32()->CertControlStore(machineRoot.Get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
}

namespace {
int g_deleteCalls = 0;
BOOL WINAPI FailingDelete(PCCERT_CONTEXT cert) {
  ++g_deleteCalls;
  Crypt32()->CertFreeCertificateContext(cert);  // as the real delete does on failure
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}
}  // namespace

TEST(CertStoreWin, AStoreWhoseDeleteFailsStillEnds) {
  ScopedCertStore memory(Crypt32()->CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
  ASSERT_TRUE(memory);
  for (const char* name : {"rsa.der", "sm2.der", "p256.der"}) {
    const Bytes der = ReadCert(name);
    ScopedCertContext c(Crypt32()->CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), DWORD(der.size())));
    CRYPT_KEY_PROV_INFO binding = {};
    binding.pwszContainerName = const_cast<wchar_t*>(L"c1");
    binding.dwKeySpec = 1;
    ASSERT_TRUE(Crypt32()->CertSetCertificateContextProperty(c.Get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &binding));
    ASSERT_TRUE(Crypt32()->CertAddCertificateContextToStore(memory.Get(), c.Get(), CERT_STORE_ADD_NEW, nullptr));
  }
  CertRemovalFilter all;
  all.keyTypeMask = 3;
  all.keySpecMask = 3;
  g_deleteCalls = 0;
  DeleteMatchingCertificates(memory.Get(), all, &FailingDelete);
  EXPECT_EQ(g_deleteCalls, 3) << "each certificate tried once";
  DeleteMatchingCertificates(memory.Get(), all, Crypt32()->CertDeleteCertificateFromStore);
  EXPECT_EQ(Crypt32()->CertEnumCertificatesInStore(memory.Get(), nullptr), nullptr);
}
