#ifndef VN_WEBUI_WEBUITRANSPORT_H
#define VN_WEBUI_WEBUITRANSPORT_H

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <set>
#include <string>

class TiXmlDocument;

// The channel between the web pages and the installing process, over one Unix stream socket.
// Every message in both directions is framed as its byte length in decimal, a line feed, and
// the XML text. One connection carries one request and its answer; the engine closes it after
// the answer, and the client reads until end of file.
//
// A handle is light: all handles of a process share one representation, made by the first
// handle with that handle's mode (1 the engine, which listens at once; 0 a page client, which
// connects per request) and deleted with the last handle. A forked child inherits both.
class WebUiTransport {
public:
    // No command arrived for the idle time (1800 seconds). Thrown by value, carries nothing.
    class timeout {};

    // What a handle forwards to; one kind, tcp.
    class rep {
    public:
        virtual ~rep();
        // Engine: waits for the next whole command; raises `timeout` when the idle time
        // passes without any event.
        virtual bool waitCommand() = 0;
        // The body of what was received (the text after the length line).
        virtual std::string getCommand() = 0;
        // Engine: frames `xml` and writes it to the connection of the command, then closes
        // it. `shownInLog` makes the form of `xml` that a log line may show (secrets masked);
        // it is called only when a line needs it.
        virtual void sendAnswer(const std::string& xml, const std::function<std::string()>& shownInLog) = 0;
        // Page client: one connection, one framed request, the answer's body.
        virtual std::string request(const std::string& xml) = 0;
    };

    class tcp : public rep {
    public:
        // A command longer than this is dropped with its connection.
        static const size_t maxCommandBytes = 4u << 20;
        // The client refuses a longer answer.
        static const size_t maxAnswerBytes = 16u << 20;

        // Mode 1 listens at once (raises `error` when it cannot); mode 0 sets up nothing.
        explicit tcp(int mode);
        ~tcp() override;
        tcp(const tcp&) = delete;
        tcp& operator=(const tcp&) = delete;

        bool waitCommand() override;
        std::string getCommand() override;
        void sendAnswer(const std::string& xml, const std::function<std::string()>& shownInLog) override;
        std::string request(const std::string& xml) override;

        // Leading white space, a decimal length, any one character, then exactly that many
        // bytes. More bytes than announced never complete the command.
        static bool isCommandComplete(const std::string& received);

        // The idle time of the engine's wait; tests shorten it.
        static int idleTimeoutSeconds();
        static void setIdleTimeoutForTest(int seconds);
        // The socket's path, "/tmp/vantrell_webui_socket" unless a benchmark moved it.
        static const std::string& socketPath();
        static void setSocketPathForBenchmark(const std::string& path);

        int listenSocket;
        // The connection of the current command; 0 when none is open.
        int clientSocket;
        std::string received;
        // Returns of the engine's wait during its last waitCommand call (tests only).
        unsigned wakeUps;

    private:
        void listen();
        void dropConnection();

        // The process that made the listening socket; only it removes the socket file.
        pid_t owner;
    };

    explicit WebUiTransport(int mode);
    ~WebUiTransport();
    WebUiTransport(const WebUiTransport&) = delete;
    WebUiTransport& operator=(const WebUiTransport&) = delete;

    bool waitCommand();
    std::string getCommand();
    // Prints the answer compactly, logs it at level 3 with the settings named in
    // `secretSettingIds` (and every password attribute) masked, and sends it.
    void sendAnswer(const TiXmlDocument& answer,
                    const std::set<std::string>& secretSettingIds = std::set<std::string>());
    std::string request(const std::string& xml);

    // The representation of this process and the number of live handles.
    static rep* sharedRep;
    static int handleCount;

private:
    static rep& shared();
};

#endif
