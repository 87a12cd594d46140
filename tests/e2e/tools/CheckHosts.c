/* CheckHosts ADDRESS NAME...: exits 0 when every name resolves, as Windows programs in this Wine
   prefix see it, to the given IPv4 address; otherwise names what each one resolved to. */
#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: CheckHosts ADDRESS NAME...\n");
        return 2;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        fprintf(stderr, "CheckHosts: WSAStartup failed\n");
        return 1;
    }
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        struct addrinfo hints = {0};
        struct addrinfo* found = NULL;
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        int error = getaddrinfo(argv[i], NULL, &hints, &found);
        if (error != 0) {
            fprintf(stderr, "CheckHosts: %s does not resolve (error %d)\n", argv[i], error);
            ++failures;
            continue;
        }
        char address[INET_ADDRSTRLEN] = "";
        struct sockaddr_in* first = (struct sockaddr_in*)found->ai_addr;
        inet_ntop(AF_INET, &first->sin_addr, address, sizeof(address));
        if (strcmp(address, argv[1]) != 0) {
            fprintf(stderr, "CheckHosts: %s resolves to %s, not %s\n", argv[i], address, argv[1]);
            ++failures;
        }
        freeaddrinfo(found);
    }
    WSACleanup();
    return failures ? 1 : 0;
}
