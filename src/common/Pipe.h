#ifndef VN_COMMON_PIPE_H
#define VN_COMMON_PIPE_H

// Both ends of one pipe. The ends are created close-on-exec, so a command started by another
// thread at the same moment never inherits them; a child that needs an end duplicates it onto
// a standard descriptor. An end is open while its value is not -1 (descriptor 0 is a valid end
// when standard input was closed).
class Pipe {
public:
    // Raises error (4,2,1,1) "Pipe: Can't create pipe: " + system error text.
    Pipe();
    // Closes what is still open; errors are ignored.
    ~Pipe();
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    // The read end; error (3,2,1,3) once it is closed.
    int out() const;
    // The write end; error (3,2,1,3) once it is closed.
    int in() const;

    // Close an end once; a second call does nothing. A failing close raises (4,2,1,1). Linux
    // frees the descriptor even then, so the end counts as closed afterwards: closing it again
    // later could hit a descriptor that someone else has opened since.
    void closeOut();
    void closeIn();

    // Hands the read end to a new owner (a stdio stream opened on it); it counts as closed here.
    int releaseOut();

private:
    void closeEnd(int& fd, const char* which);

    int readEnd;
    int writeEnd;
};

#endif
