// Delay: quadrature generator.
//
// For a unit-amplitude sinusoid x[n] = sin(phi[n]) it outputs sin(phi[n] - pi/2),
// the same sinusoid a quarter period later:
//   a = asin(x);  theta = a if x - p >= 0.0 (rising or flat), else pi - a;
//   Output = sin(theta - pi/2);  p = x for the next firing.
// The slope test needs the input sampled finely enough to tell its half
// periods apart. Outside [-1, 1] the output is NaN; nothing is reported.
//
// Ports: Input is a CircularBuffer<double> that the network attaches to the
// connection (element 0 is read); Output is a plain member that the network
// copies to element 0 of its output connection after Run.
// Initialize resets the previous input to 0.0.
//
// Quadrature(x, p) is the Output that Run() gives for input x after previous
// input p, for owners that need it only at some firings.
#pragma once

#include "dataflow/CircularBuffer.h"
#include "dataflow/DFModel.h"

class Delay : public Vantrel::DFModel {
public:
    Vantrel::CircularBuffer<double> Input;  // unit-amplitude sinusoid
    double Output = 0.0;                    // Input delayed by a quarter period

    Delay() = default;
    ~Delay() override { DeleteBuffers(); }

    bool Setup() override { return true; }
    bool Initialize() override;
    bool Run() override;
    bool Finalize() override;

    void DeleteBuffers() {}

    static double Quadrature(double dInput, double dPreviousInput);

private:
    double m_dPrevInput = 0.0;
};
