/* TrustCert FILE.der: adds a DER certificate to the Root store of the Wine prefix it runs in, so
   WinINet accepts the test servers' certificates. The Wine server must be restarted afterwards for
   other processes to see the change. */
#include <windows.h>
#include <wincrypt.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: TrustCert FILE.der\n");
        return 2;
    }
    FILE* file = fopen(argv[1], "rb");
    if (!file) {
        fprintf(stderr, "TrustCert: cannot open %s\n", argv[1]);
        return 1;
    }
    BYTE der[16384];
    size_t size = fread(der, 1, sizeof(der), file);
    int complete = feof(file) && !ferror(file);
    fclose(file);
    if (!complete || size == 0) {
        fprintf(stderr, "TrustCert: %s is empty, unreadable or larger than %u bytes\n", argv[1], (unsigned)sizeof(der));
        return 1;
    }
    if (!CertAddEncodedCertificateToSystemStoreA("Root", der, (DWORD)size)) {
        fprintf(stderr, "TrustCert: adding %s to the Root store failed (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    return 0;
}
