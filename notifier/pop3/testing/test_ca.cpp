#include "test_ca.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "pop3/testing/temp_folder.h"

namespace corvy::pop3::testing {
namespace {

constexpr const char* kNewKey = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

}  // namespace

TestCertificateAuthority::TestCertificateAuthority(const std::string& name) {
    dir_ = MakeServerFolder("corvy-ca");
    if (dir_.empty()) {
        error_ = "mkdtemp failed";
        return;
    }
    std::filesystem::create_directories(dir_ + "/db");
    std::ofstream(dir_ + "/db/index");
    std::ofstream(dir_ + "/db/serial") << "01\n";
    std::ofstream(dir_ + "/ca.cnf")
        << "[ca]\ndefault_ca=t\n[t]\ndatabase=" << dir_ << "/db/index\nserial=" << dir_
        << "/db/serial\nnew_certs_dir=" << dir_ << "/db\ncertificate=" << dir_
        << "/ca.pem\nprivate_key=" << dir_
        << "/ca.key\ndefault_md=sha256\npolicy=p\n"
           "copy_extensions=copy\nunique_subject=no\n"
           "[p]\ncommonName=supplied\n";
    Run(std::string("openssl req -x509") + kNewKey + " -keyout ca.key -out ca.pem -days 30" +
        " -subj '/CN=" + name + "'");
}

TestCertificateAuthority::~TestCertificateAuthority() {
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

bool TestCertificateAuthority::Run(const std::string& command) {
    if (!error_.empty()) {
        return false;
    }
    const std::string line = "cd '" + dir_ + "' && " + command + " >>log 2>&1";
    if (std::system(line.c_str()) != 0) {
        std::ifstream log(dir_ + "/log");
        error_ = command + " failed: " +
                 std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
        return false;
    }
    return true;
}

IssuedCertificate TestCertificateAuthority::Issue(const std::string& file,
                                                  const std::string& dnsName, bool expired) {
    const std::string dates =
        expired ? " -startdate 20200101000000Z -enddate 20200102000000Z" : " -days 30";
    if (!Run("openssl req" + std::string(kNewKey) + " -keyout " + file + ".key -out " + file +
             ".csr -subj '/CN=" + dnsName + "' -addext subjectAltName=DNS:" + dnsName) ||
        !Run("openssl ca -batch -notext -config ca.cnf -in " + file + ".csr -out " + file + ".pem" +
             dates)) {
        return {};
    }
    ::chmod((dir_ + "/" + file + ".key").c_str(), 0644);
    return {dir_ + "/" + file + ".pem", dir_ + "/" + file + ".key"};
}

IssuedCertificate TestCertificateAuthority::SelfSigned(const std::string& file,
                                                       const std::string& dnsName) {
    if (!Run("openssl req -x509" + std::string(kNewKey) + " -keyout " + file + ".key -out " + file +
             ".pem -days 30 -subj '/CN=" + dnsName + "' -addext subjectAltName=DNS:" + dnsName)) {
        return {};
    }
    ::chmod((dir_ + "/" + file + ".key").c_str(), 0644);
    return {dir_ + "/" + file + ".pem", dir_ + "/" + file + ".key"};
}

}  // namespace corvy::pop3::testing
