// Authenticode signing of a built setup executable with osslsigncode, and
// the place of the signature in a signed file.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Signs `path` in place with the certificate and key files (PEM or DER, as
// osslsigncode takes them), SHA-256. False with a description otherwise.
bool SignSetup(const std::string& path, const std::string& certificate, const std::string& key,
               std::string* error);

// Where the certificate table of a signed Windows program starts; the
// file's size when it carries none (or the header does not say so sanely).
size_t CertificateTableStart(const std::vector<unsigned char>& file);
