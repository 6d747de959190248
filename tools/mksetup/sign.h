// Authenticode signing of a built setup executable with osslsigncode, and
// the place of the signature in a signed file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Signs `path` in place with the certificate and key files (PEM or DER, as
// osslsigncode takes them), SHA-256. False with a description otherwise.
bool SignSetup(const std::string& path, const std::string& certificate, const std::string& key,
               std::string* error);

// Where the certificate table of a signed Windows program of `fileSize`
// bytes starts, from its first bytes `head` (its headers); the file's size
// when it carries none (or the headers do not say so sanely).
uint64_t CertificateTableStart(const std::vector<unsigned char>& head, uint64_t fileSize);
