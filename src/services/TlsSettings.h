#pragma once

class QNetworkRequest;

namespace orb {

// TLS for every request the services make: the system's certificate authorities, always
// verified. ORBMETER_EXTRA_CA_FILE (a PEM file, for tests against a local server) adds
// authorities; nothing turns verification off.
class TlsSettings {
public:
    static void apply(QNetworkRequest &request);
};

} // namespace orb
