#pragma once
// A thread of a long operation (automatic alignment) owns the radio link: while a lease is
// held, nothing on the user-interface thread may open the port (the safety exit on a signal
// waits for it to end). Taken and given back on the user-interface thread only.
namespace korvelo {

class LinkLease {
  public:
    LinkLease() { ++count(); }
    ~LinkLease() { --count(); }
    LinkLease(const LinkLease&) = delete;
    LinkLease& operator=(const LinkLease&) = delete;
    static bool held() { return count() > 0; }

  private:
    static int& count() {
        static int n = 0;
        return n;
    }
};

} // namespace korvelo
