! Expected records of the input echo, written by gfortran with the same descriptor
! lists and the same 32-bit values as the program.
program gen_echo
  implicit none
  real :: ddz, dt, pt, clight, gr(11), rz3, rz5
  integer :: i, mte, nz
  character(*), parameter :: fp = '(1X,A,G13.5,G13.5,A,I7,I7,A)'
  character(*), parameter :: fm = '(1X,A,G13.5,G13.5,A,I7,I7,A,A,G13.5,G13.5,A)'
  character(*), parameter :: fb = '(1X,A,G13.5,G13.5,A,I7,I7,A,A,G13.5,G13.5,A,A,G13.5,G13.5,A)'
  clight = 299792448.0
  ! prfile
  write(*,'(1X,A,G13.5,A)') 'CPUTIME LEFT FOR SAVING FIELDS : TSOS =', 5.0, '(S)'
  write(*,'(1X,A,G13.5,A)') 'CPUTIME LIMIT OF BATCH JOB     : TMAX =', 3600.0, '(S)'
  ! prmesh
  write(*,'(1X,A,I10)') 'NUMBER OF MESH LINES IN R      : NR   = ', 20
  write(*,'(1X,A,G13.5,A)') 'TOTAL RADIUS OF THE STRUCTURE  : RAD  =', 0.05, '(M)'
  write(*,'(1X,A,G13.5,A)') 'TOTAL LENGTH OF THE STRUCTURE  : ZL   =', 0.1, '(M)'
  write(*,'(1X,A,G13.5,A)') 'STEP SIZE IN R                 : DDR  =', 0.001, '(M)'
  write(*,'(1X,A,G13.5,A)') 'STEP SIZE IN Z                 : DDZ  =', 0.002, '(M)'
  write(*,'(1X,A,I3,A,G13.5,A)') 'STRUCTURE INPUT VARIABLE       : RZ', 3, '=', 0.02, '(M)'
  write(*,'(1X,A,I3,A,G13.5,A)') 'STRUCTURE INPUT VARIABLE       : RZ', 1500, '=', -0.5, '(M)'
  write(*,'(1X,A,G13.5,A,A,G13.5,A,G13.5)') 'STEP SIZE IN R                 : DDR  =', &
       0.001, '(M)', '  FROM R=', 0.0, '  TO R=', 0.01
  write(*,'(1X,A,G13.5,A,A,G13.5,A,G13.5)') 'STEP SIZE IN R                 : DDR  =', &
       0.0005, '(M)', '  FROM R=', 0.01, '  TO R=', 0.02
  ! prtime
  ddz = 0.001; mte = 2; nz = 100
  dt = ddz / (real(mte) * clight) * 1.0E12
  pt = dt * real(nz * mte)
  write(*,'(1X,A,I7)') 'TIME STEPS TO BE PROCESSED     : NT   =', 403
  write(*,'(1X,A,A,G13.5)') '*** WARNING ***  NO GUARANTEE FOR NUMERICAL STABILITY', &
       ' IN THE PRESENT CALCULATION WHERE MAX(DDZ/DDR) IS', 2.0
  write(*,'(1X,A,I7,A)') '*** A RECOMMENDED VALUE FOR MT : MT   =', 3, ' ***'
  write(*,'(1X,A,G13.5)') 'VELOCITY OF THE BUNCH / C      : BETA =', 1.0
  write(*,'(1X,A,G13.5,A)') 'TIME-STEP VALUE                : DT   =', dt, '(PS)'
  write(*,'(1X,A,G13.5,A)') 'TIME FOR A PARTICLE TO PASS    : PT   =', pt, '(PS)'
  write(*,'(1X,A,G13.5,A)') 'START TIME FOR FILED LINE PLOT : TPS  =', 12.5, '(PS)'
  write(*,'(1X,A,I7,A,I7)') '*** STOP ***  2*(MT+1):', 42, ' EXCEEDS MAXIMUM NPT:', 40
  ! prbeam, prwake
  write(*,'(1X,A,G13.5,A,A,G13.5,A)') 'RADIAL BEAM OFFSET AT          :RDRIVE=', 0.0012, '(M)', &
       '  --->', 0.001, '(M)'
  write(*,'(1X,A,G13.5,A)') 'SEPARATION BETWEEN BUNCHES     : BSEP =', 0.1, '(M)'
  write(*,'(1X,A,G13.5,A)') 'RADIAL WAKE OFFSET        (LEFT)   AT  R   =', 0.04, '(M)'
  write(*,'(1X,A,G13.5,A)') '                          (RIGHT)  AND R   =', 0.06, '(M)'
  write(*,'(1X,A,G13.5,A)') 'WAKE    BETWEEN THE BUNCH  COORDINATES UBF =', 0.0, '(M)'
  write(*,'(1X,A,G13.5,A)') 'INITIAL DISTANCE BTW. TWO BEAMS: ZSEP =', 12*0.001, '(M)'
  write(*,'(1X,A,G13.5,A)') 'STARTING Z FOR INTEGRAL AT RWAK: ZCF  =', 0.02, '(M)'
  write(*,'(1X,A,G13.5,A)') 'RADIAL OFFSET FOR WAKE INTEGRAL: RWAK =', 0.03, '(M)'
  write(*,'(1X,A,I8)') 'NUMBER OF WAKE POTENTIAL POINTS: NW   =', 101
  ! prplot
  write(*,'(1X,A,G13.5)') 'ENHANCEMENT FACTOR FOR FFT PLOT:EXPFAC=', 20.0
  write(*,'(1X,A,G13.5,A)') 'CUTOFF FREQUENCY FOR FFT PLOT  :CUTOFF=', 11.5, '(GHZ)'
  write(*,'(1X,A,G13.5)') 'WINDOW PARAMETER FOR WIDTH     : ALPHA=', 3.0
  write(*,'(1X,A,G13.5)') 'REDUCTION FACTOR OF ALL PLOTS  :REDUCE=', 0.5
  ! prngeo, absolute deck (DDZ = 0.01, gr(i) = (i - 1)*0.01, ZLAST = 0.1)
  do i = 1, 11
    gr(i) = real(i - 1) * 0.01
  end do
  rz3 = 0.02; rz5 = 0.02
  write(*,'(A)') '--- absolute'
  write(*,'(1X,A,7X,A,19X,A)') 'INPUT:', '(R, Z)', '(IR, IZ)'
  write(*,fp) '( ', 0.0, 0.0, ' )  ( ', 1, 1, ' )'
  write(*,fp) '( ', 0.02, 0.0, ' )  ( ', 3, 1, ' )'
  write(*,fp) '( ', 0.02, 0.02, ' )  ( ', 3, 3, ' )'
  write(*,'(1X,A,I2,A,I3,A,G13.5)') 'CONNECTED BY A CONVEX  CIRCLE, IKIND=', -1, &
       ',  RADIUS= RZ', 5, ' --->  ', -rz5
  write(*,fm) '( ', 0.0337, 0.06, ' )  ( ', 4, 7, ' ) ---> ', '( ', gr(4), real(7 - 1) * 0.01, ' )'
  write(*,'(1X,A,A,A,I3,A,G13.5,A,I7,I7,A,A,G13.5,G13.5,A)') '( ', '    ', ' RZ', 3, '   ', 0.08, &
       ' )  ( ', 3, 9, ' ) ---> ', '( ', rz3, 0.08, ' )'
  write(*,'(1X,A,I2,A,G13.5,G13.5,A)') 'CONNECTED BY AN ELLIPSE,       IKIND=', -3, &
       ',  (RM, ZM)=     ( ', 0.03, 0.05, ' )'
  write(*,fp) '( ', 0.02, 0.1, ' )  ( ', 3, 10, ' )'
  write(*,fp) '( ', 0.0, 0.1, ' )  ( ', 1, 11, ' )'
  write(*,fp) '( ', 0.0, 0.0, ' )  ( ', 1, 1, ' )'
  ! relative deck (same mesh, ZLAST = 0.05, NLAST = 8)
  write(*,'(A)') '--- relative'
  write(*,'(1X,A,7X,A,19X,A)') 'INPUT:', '(R, Z)', '(IR, IZ)'
  write(*,fm) '( ', 0.0, 0.0, ' )  ( ', 1, 1, ' ) ---> ', '( ', 0.0, 0.0, ' )'
  write(*,fm) '( ', 0.02, 0.0, ' )  ( ', 3, 1, ' ) ---> ', '( ', 0.02, 0.0, ' )'
  write(*,fm) '( ', 0.0, 0.01, ' )  ( ', 3, 2, ' ) ---> ', '( ', 0.02, 0.01, ' )'
  write(*,fm) '( ', 0.01, 0.0, ' )  ( ', 4, 2, ' ) ---> ', '( ', 0.03, 0.01, ' )'
  write(*,fm) '( ', 0.0, 0.01, ' )  ( ', 4, 3, ' ) ---> ', '( ', 0.03, 0.02, ' )'
  write(*,fm) '( ', 0.01, 0.0, ' )  ( ', 5, 3, ' ) ---> ', '( ', 0.04, 0.02, ' )'
  write(*,fb) '( ', -0.0163, 0.0, ' )  ( ', 3, 3, ' ) ---> ', '( ', 0.0237, 0.02, &
       ' ) ---> ', '( ', gr(3), real(3 - 1) * 0.01, ' )'
  write(*,fm) '( ', -0.0037, 0.03, ' )  ( ', 3, 5, ' ) ---> ', '( ', 0.02, 0.05, ' )'
  write(*,fm) '( ', -0.02, 0.0, ' )  ( ', 1, 6, ' ) ---> ', '( ', 0.0, 0.05, ' )'
  write(*,fm) '( ', 0.0, -real(6 - 1) * 0.01, ' )  ( ', 1, 1, ' ) ---> ', '( ', 0.0, 0.0, ' )'
  ! recommended MT: RATIO squared before the mode factor (prmesh)
  write(*,'(A,I7)') 'MTREC', int(sqrt(1.2 + (1.2 + 0.4 * 0) * 6.31136513**2)) + 1
  ! derived
  write(*,'(A,F6.3,A)') 'REDUCE ', 0.75, '|'
  write(*,'(A,F6.3,A)') 'REDUCE ', 123.0, '|'
end program gen_echo
