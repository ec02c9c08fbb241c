#pragma once
// The pseudo-terminal pelko-sim serves its controllers on. The program opens
// the slave side as its serial port; the simulator reads and writes the
// master side. The simulator keeps a slave descriptor of its own open so the
// pair survives the program closing and reopening the port (and so the speed
// it set stays readable), and puts the slave in raw mode so nothing is echoed
// before the program configures it.
#include <cstdint>
#include <string>

namespace pelko {

class PtyLine {
public:
    PtyLine() = default;
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    // False with a message when no pseudo-terminal could be made.
    bool Open(std::string& error);
    int MasterFd() const { return FMaster; }
    const std::string& SlavePath() const { return FSlavePath; }
    // The speed the program last set on its side; 0 when it is not one of the
    // line speeds. A pty master reads the slave's settings on Linux.
    std::uint32_t Baud() const;
    // Bytes for the program; false when the master cannot take them now.
    bool Send(const std::uint8_t* data, std::size_t n);

private:
    int FMaster = -1;
    int FSlave = -1;
    std::string FSlavePath;
};

// Line speed of a termios speed constant; 0 when it is none of the seven.
std::uint32_t BaudOfSpeedT(unsigned speed);

}  // namespace pelko
